#pragma once

#include "testwin/WindowPrompts.h"

// The window's prompts as the skinned boxes of the program's own look.
class CSkinPrompts : public CWindowPrompts
{
  public:
    void SetOwner(QWidget* window) override { m_pOwner = window; }
    void Message(const std::string& text, const std::string& title, const Style& style) const override;
    void Alert(const std::string& title, const std::string& message) const override;
    void About() const override;
    bool Ask(const std::string& text, const std::string& title, bool wrapped) const override;

  private:
    QWidget* m_pOwner = nullptr;
};
