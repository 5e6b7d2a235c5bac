#include "CommandLine.h"

#include <cwctype>
#include <functional>

#include "win32/Strings.h"

namespace logview {
namespace {
// Digits only, within range and above zero: "1e6", "-1" or "" would silently mean something else.
bool ParseCount(const std::wstring& text, uint64_t& value) {
    if (text.empty() || text.size() > 19) return false;
    value = 0;
    for (wchar_t c : text) {
        if (c < L'0' || c > L'9') return false;
        value = value * 10 + static_cast<uint64_t>(c - L'0');
    }
    return value > 0;
}

struct Switch {
    const wchar_t* name;  // lower case, without its "/"
    const char* value;    // what its value is, for the usage text; nullptr when it takes none
    const char* meaning;
    std::function<bool(ViewerOptions&, const std::wstring&)> take;  // false: a bad value
};

bool SetText(std::wstring& field, const std::wstring& value) {
    field = value;
    return true;
}

const std::vector<Switch>& Switches() {
    static const std::vector<Switch> kSwitches = {
        {L"server", "URL", "接続診断の接続先 (http://ホスト:ポート)",
         [](ViewerOptions& o, const std::wstring& v) {
             o.serviceBase = win32::ToNarrow(v);
             return !o.serviceBase.empty();
         }},
        {L"diagnose", nullptr, "起動時に接続診断を実行する",
         [](ViewerOptions& o, const std::wstring&) { return o.diagnoseAtStart = true; }},
        {L"save", "PATH", "名前を付けて保存の保存先 (尋ねない)",
         [](ViewerOptions& o, const std::wstring& v) { return SetText(o.savePath, v); }},
        {L"open", "PATH", "ログ ファイルを開くの対象 (尋ねない)",
         [](ViewerOptions& o, const std::wstring& v) { return SetText(o.openCommandPath, v); }},
        {L"keep", "PATH", "保存し続ける先 (尋ねない)",
         [](ViewerOptions& o, const std::wstring& v) { return SetText(o.keepSavingPath, v); }},
        {L"maxrecords", "N", "保持する件数の上限",
         [](ViewerOptions& o, const std::wstring& v) { return ParseCount(v, o.maxRecords); }},
        {L"maxbytes", "N", "保持するメモリの上限 (バイト)",
         [](ViewerOptions& o, const std::wstring& v) { return ParseCount(v, o.maxBytes); }},
        {L"keepsplit", "N", "保存し続けるファイルを分ける大きさ",
         [](ViewerOptions& o, const std::wstring& v) {
             return ParseCount(v, o.keepSavingSplitBytes);
         }},
        {L"settings", "PATH", "設定をこのファイルに記憶する",
         [](ViewerOptions& o, const std::wstring& v) { return SetText(o.settingsPath, v); }},
    };
    return kSwitches;
}

std::wstring Lower(std::wstring text) {
    for (wchar_t& c : text) c = static_cast<wchar_t>(std::towlower(c));
    return text;
}

const Switch* FindSwitch(const std::wstring& argument) {
    if (argument.size() < 2 || (argument[0] != L'/' && argument[0] != L'-')) return nullptr;
    const std::wstring name = Lower(argument.substr(1));
    for (const Switch& candidate : Switches()) {
        if (name == candidate.name) return &candidate;
    }
    return nullptr;
}
}  // namespace

CommandLine ParseCommandLine(const std::vector<std::wstring>& arguments) {
    CommandLine parsed;
    for (size_t i = 0; i < arguments.size() && parsed.error.empty(); ++i) {
        const std::wstring& argument = arguments[i];
        if (argument.empty() || (argument[0] != L'/' && argument[0] != L'-')) {
            parsed.options.openPaths.push_back(argument);
            continue;
        }
        const std::wstring name = Lower(argument.substr(1));
        if (name == L"?" || name == L"h" || name == L"help") {
            parsed.showUsage = true;
            continue;
        }
        const Switch* known = FindSwitch(argument);
        // "/save /diagnose": the save path is missing, not "/diagnose".
        const bool valueMissing = i + 1 >= arguments.size() || FindSwitch(arguments[i + 1]);
        if (known == nullptr) {
            parsed.error = win32::FromBuiltIn("不明なスイッチです: ") + argument;
        } else if (known->value != nullptr && valueMissing) {
            parsed.error = argument + win32::FromBuiltIn(" の値がありません");
        } else if (!known->take(parsed.options, known->value ? arguments[++i] : std::wstring())) {
            parsed.error =
                argument + win32::FromBuiltIn(" の値が正しくありません: ") + arguments[i];
        }
    }
    return parsed;
}

std::wstring UsageText() {
    std::wstring text = L"PelmoraLogView.exe [" + win32::FromBuiltIn("スイッチ") + L"] [" +
                        win32::FromBuiltIn("ファイル") + L"...]\r\n\r\n";
    for (const Switch& option : Switches()) {
        std::wstring left = L"/" + std::wstring(option.name);
        if (option.value) left += L" " + win32::ToWide(option.value);
        text += left + L"\t" + win32::FromBuiltIn(option.meaning) + L"\r\n";
    }
    text += L"/?\t\t" + win32::FromBuiltIn("この説明を表示する") + L"\r\n\r\n" +
            win32::FromBuiltIn("ファイル: 起動時に開く (分割されたものは続けて読む)");
    return text;
}

}  // namespace logview
