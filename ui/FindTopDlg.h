// The Find dialog of the result list: one text to look for. The options for whole words, letter
// case and direction exist in the template but stay hidden, so the search ignores case and runs
// from the top down.
#pragma once

#include <string>

#include "ui/Dialog.h"

namespace qv {

inline constexpr int IDD_FIND_TOP = 105;
inline constexpr int IDC_FIND_TEXT = 2100;
inline constexpr int IDC_FIND_UP = 2200;
inline constexpr int IDC_FIND_DOWN = 2201;
inline constexpr int IDC_FIND_MATCH_CASE = 2202;
inline constexpr int IDC_FIND_WHOLE_WORD = 2203;

DialogTemplate FindTopTemplate();

class CFindTopDlg : public Dialog {
public:
    CFindTopDlg(Host& host, std::string text);

    // The edit box's text as "&Find" or Cancel took it over.
    const std::string& Text() const { return text_; }
    bool WholeWord() const { return wholeWord_; }
    bool MatchCase() const { return matchCase_; }
    bool Down() const { return down_; }

    bool OnInitDialog() override;
    void OnEditChange(int id) override;
    void OnOK() override;
    void OnCancel() override;

private:
    void TakeOverValues();

    std::string text_;
    bool wholeWord_ = false;
    bool matchCase_ = false;
    bool down_ = true;
};

}  // namespace qv
