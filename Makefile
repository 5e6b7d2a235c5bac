# Newcomer entry points. Each one installs what the machine lacks first.
.PHONY: all deps build build-x64 build-x86 check-exports test demo bench screenshots dist format sloc clean

JOBS ?= 2
MAKEFLAGS += --no-print-directory

all: build

deps:
	@scripts/install-deps.sh

build-x64: deps
	@cmake --preset x64 >/dev/null
	@cmake --build --preset x64 -j $(JOBS)

build-x86: deps
	@cmake --preset x86 >/dev/null
	@cmake --build --preset x86 -j $(JOBS)

# Both DLLs export exactly the plain names of the export list (no stdcall @N decoration).
check-exports: build-x64 build-x86
	@scripts/check-exports.sh src/api/Pelmora.def build/x64/bin/Pelmora.dll build/x86/bin/Pelmora.dll

build: build-x64 build-x86 check-exports

# The i686 suite runs after the x64 one (whose kit check builds the i686 sample host), whatever
# the x64 result; either failing fails the target.
test: build
	@status=0; scripts/run-tests.sh build/x64 || status=1; \
	  scripts/run-tests.sh build/x86 || status=1; exit $$status

# The demo needs only the library, the client, the demo host and the log viewer.
demo: deps
	@cmake --preset x64 >/dev/null
	@cmake --build --preset x64 -j $(JOBS) --target Pelmora pmqclient pelmora_demo PelmoraLogView
	@scripts/demo.sh build/x64

bench: build-x64
	@scripts/run-bench.sh build/x64

# Pictures for a reviewer: build/x64/login-dialog.png and build/x64/logview.png.
screenshots: deps
	@cmake --preset x64 >/dev/null
	@cmake --build --preset x64 -j $(JOBS) --target login_dialog_shot logview_shot
	@scripts/login-dialog-screenshot.sh build/x64
	@scripts/desktop-screenshot.sh build/x64 logview_shot.exe logview-shot 1000x560 build/x64/logview.png

# The kit for host developers: dist/pelmora-<version>-windows.zip and dist/SHA256SUMS.
dist: build
	@scripts/pack-dist.sh build/x64 build/x86 dist

# Test lines against product lines (git-tracked files) and their ratio.
sloc:
	@scripts/sloc.sh

format:
	@find src include tests client tools bench -name '*.h' -o -name '*.cpp' | xargs clang-format -i

clean:
	rm -rf build dist
