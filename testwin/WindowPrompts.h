#pragma once

#include <string>

#include "records/StudentSession.h"
#include "skin/SkinKit.h"

class QWidget;

// What the test window tells and asks the student, each box modal over the
// window. Start-up hands the window the skinned boxes (CSkinPrompts); a test
// may hand it its own.
class CWindowPrompts
{
  public:
    virtual ~CWindowPrompts() = default;

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

    // The window the boxes open over; the window sets itself as it takes
    // the prompts.
    virtual void SetOwner(QWidget* window) = 0;

    // A message; its title is heard, not drawn.
    virtual void Message(const std::string& text, const std::string& title, const Style& style) const = 0;
    virtual void Alert(const std::string& title, const std::string& message) const = 0;
    // The About picture.
    virtual void About() const = 0;
    // An OK/Cancel question; its title is heard, not drawn (by default its
    // last line). A wrapped one is set smaller, for several sentences.
    virtual bool Ask(const std::string& text, const std::string& title = {}, bool wrapped = false) const = 0;

    // What the record store tells and asks, under the title "Records".
    quillet::RecordPrompts ForRecords() const;
};
