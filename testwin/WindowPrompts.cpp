#include "testwin/WindowPrompts.h"

#include "skin/MessageDlgs.h"

void CWindowPrompts::Message(const std::string& text, const std::string& title, const Style& style) const
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

void CWindowPrompts::Alert(const std::string& title, const std::string& message) const
{
    CAlertDlg alert(m_pOwner);
    alert.m_strTitle = title;
    alert.m_strMessage = message;
    alert.DoModal();
}

bool CWindowPrompts::Ask(const std::string& text, const std::string& title, bool wrapped) const
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

quillet::RecordPrompts CWindowPrompts::ForRecords() const
{
    return {[this](const std::string& text) { Message(text, "Records", kNotice); },
            [this](const std::string& text, const std::string& title, bool wrapped)
            { return Ask(text, title, wrapped); }};
}

void CWindowPrompts::About() const
{
    CAboutDlg about(m_pOwner);
    about.DoModal();
}
