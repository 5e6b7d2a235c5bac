#include "win32/MessageBox.h"

#include "win32/ActivationScope.h"
#include "win32/Strings.h"

namespace win32 {

const char* const kMessageBoxCaption = "確認";

int ShowMessageBox(HWND owner, const std::string& text, UINT icon, UINT buttons) {
    const ActivationScope ownControls;
    return MessageBoxW(owner, FromBuiltIn(text).c_str(), FromBuiltIn(kMessageBoxCaption).c_str(),
                       buttons | icon | MB_SETFOREGROUND);
}

}  // namespace win32
