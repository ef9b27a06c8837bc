#include "testwin/SkinPrompts.h"

#include "skin/MessageDlgs.h"

void CSkinPrompts::Message(const std::string& text, const std::string& title, const Style& style) const
{
    CMessageDlg box(m_pOwner);
    box.m_strFace = style.face;
    box.m_nHeight = style.height;
    box.m_strText = text;
    box.m_strTitle = title;
    box.m_nFormat = style.format;
    box.m_nBackground = style.background;
    box.DoModal();
}

void CSkinPrompts::Alert(const std::string& title, const std::string& message) const
{
    CAlertDlg alert(m_pOwner);
    alert.m_strTitle = title;
    alert.m_strMessage = message;
    alert.DoModal();
}

bool CSkinPrompts::Ask(const std::string& text, const std::string& title, bool wrapped) const
{
    CPromptDlg prompt(m_pOwner);
    prompt.m_strText = text;
    prompt.m_strTitle = title;
    if (wrapped)
    {
        prompt.m_nFontHeight = 17;
        prompt.m_bWrap = true;
    }
    return prompt.DoModal() == IDOK;
}

void CSkinPrompts::About() const
{
    CAboutDlg about(m_pOwner);
    about.DoModal();
}
