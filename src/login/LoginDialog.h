// The dialog that asks the user for company ID, password and user name. It sends the login
// itself and closes only when the service accepts it, leaving the credentials current and saved.
#pragma once

#include <string>

#include "win32/ModalDialog.h"

namespace login {

class CLoginDialog : public win32::ModalDialog {
public:
    CLoginDialog();

protected:
    BOOL OnInitDialog() override;
    void OnOK() override { OnBnClickedOk(); }

private:
    void OnBnClickedOk();
    // Members to controls (false) or controls to members (true).
    void DoDataExchange(bool fromControls);
    void ShowBuiltInTexts();
    void FillFromCurrentRecord();
    // Shows the message of the first empty field and puts the focus there.
    bool AllFieldsFilled();
    void MakeCurrentAndSave() const;

    std::string companyId_;
    std::string password_;
    std::string userName_;
    bool saveFlag_ = true;
};

}  // namespace login
