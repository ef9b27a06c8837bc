#pragma once

#include <string>

#include "records/StudentSession.h"
#include "skin/SkinKit.h"

class QWidget;

// The skinned boxes the test window talks to the student with, each opened
// modally over the window.
class CWindowPrompts
{
  public:
    explicit CWindowPrompts(QWidget* owner) : m_pOwner(owner) {}

    // How a message box sets its text: face, cell height, DrawText flags
    // and background tile.
    struct Style
    {
        const char* face;
        int height;
        unsigned format;
        int background;
    };
    static constexpr Style kNotice{"Arial", 18, quillet::skin::DT_CENTER | quillet::skin::DT_WORDBREAK, 0};
    static constexpr Style kHint{"Arial", 22, quillet::skin::DT_CENTER | quillet::skin::DT_WORDBREAK, 0};
    static constexpr Style kTable{"Courier", 18, quillet::skin::DT_CENTER, 1};

    // A message; its title is heard, not drawn.
    void Message(const std::string& text, const std::string& title, const Style& style) const;
    void Alert(const std::string& title, const std::string& message) const;
    // The About picture.
    void About() const;
    // An OK/Cancel question; its title is heard, not drawn (by default its
    // last line). A wrapped one is set smaller, for several sentences.
    bool Ask(const std::string& text, const std::string& title = {}, bool wrapped = false) const;

    // What the record store tells and asks, under the title "Records".
    quillet::RecordPrompts ForRecords() const;

  private:
    QWidget* m_pOwner;
};
