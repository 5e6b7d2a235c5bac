# Two builds of one commit give the same bytes, wherever and whenever they run, so that anyone
# can rebuild the kit from the tagged source and compare it with the one we ship.
# - Every date a build records comes from the commit, as the reproducible-builds convention
#   SOURCE_DATE_EPOCH describes: the caller's value when set, else the date of the commit checked
#   out, else (outside a checkout) 1980-01-01, the earliest date a zip entry can carry.
# - No PE header, export table or import library member carries the link time.
# - The compiler writes the source folder as "." wherever it records a path (__FILE__, debug
#   information), so no binary names the folder it was built in. The presets keep the build
#   folder inside the source folder, so generated files are covered too.
if(DEFINED ENV{SOURCE_DATE_EPOCH})
  set(epoch "$ENV{SOURCE_DATE_EPOCH}")
else()
  execute_process(COMMAND git log -1 --format=%ct WORKING_DIRECTORY ${CMAKE_SOURCE_DIR}
                  OUTPUT_VARIABLE epoch OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
endif()
if(NOT epoch MATCHES "^[0-9]+$")
  set(epoch 315532800)
endif()
# The packing script reads it from here, so the zip's dates are the binaries' dates.
set(PELMORA_SOURCE_DATE_EPOCH ${epoch} CACHE INTERNAL "The time every date of the build is")
set(ENV{SOURCE_DATE_EPOCH} ${epoch})  # string(TIMESTAMP) reads it

# The commit's date in the form of __DATE__ ("Dec  7 2026") and __TIME__, in UTC, for the
# programs that log the date they were built.
string(TIMESTAMP month "%b" UTC)
string(TIMESTAMP day "%d" UTC)
string(TIMESTAMP year "%Y" UTC)
string(REGEX REPLACE "^0" " " day "${day}")
set(PELMORA_BUILD_DATE "${month} ${day} ${year}")
string(TIMESTAMP PELMORA_BUILD_TIME "%H:%M:%S" UTC)

add_compile_options($<$<COMPILE_LANGUAGE:C,CXX>:-ffile-prefix-map=${CMAKE_SOURCE_DIR}=.>)
add_link_options(-Wl,--no-insert-timestamp)
