#include "errors/Exceptions.h"

namespace frame {

const char* const kProxyLoginCancelText = "プロキシ認証が必要です";
const char* const kProgramDirectoryUnknownText = "プログラムのフォルダーを特定できませんでした";
const char* const kDataDirectoryUnknownText = "データの保存先フォルダーを特定できませんでした";

}  // namespace frame
