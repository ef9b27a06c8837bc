#pragma once

#include <functional>
#include <vector>

#include "skin/MessageDlgs.h"
#include "skin/SkinCatalogue.h"

class QWidget;

// A key of a button of the test window, beyond Tab and Space.
struct WindowKey
{
    int id;           // the button it presses
    const char* keys; // as QKeySequence reads it
    const char* what; // as the Keyboard box lists it, with the pages of the button
    bool byCaption;   // the caption's mnemonic gives it: no shortcut of its own
};

// Every button has a key; one key serves several buttons only on pages that
// never show two of them. None is Alt+A to Alt+F (the answers) or Alt+N (Next).
inline constexpr WindowKey kWindowKeys[] = {
    {IDC_NEXT, "Alt+N", "Next question", true},
    {IDC_NEXT, "PgDown", "Next question", false},
    {IDC_PREVIOUS, "Alt+P", "Previous question", false},
    {IDC_PREVIOUS, "PgUp", "Previous question", false},
    {IDC_ANSWER_A, "Alt+A", "Answer A (Alt+B, Alt+C, Alt+D: B, C, D)", true},
    {IDC_FLAG, "Alt+G", "Flag the question, or take the flag off", false},
    {IDC_LAST_FLAGGED, "F5", "Last flagged question", false},
    {IDC_NEXT_FLAGGED, "F6", "Next flagged question", false},
    {IDC_LAST_UNANSWERED, "F7", "Last unanswered question", false},
    {IDC_NEXT_UNANSWERED, "F8", "Next unanswered question", false},
    {IDC_HINT, "Alt+I", "HINT", false},
    {IDC_PLAY_TOPIC, "Alt+Y", "Play Topic", false},
    {IDC_EXIT, "Alt+X", "EXIT: leave; from review, to the results", false},
    {IDC_REVIEW, "Alt+R", "Review the questions not answered right", false},
    {IDC_RETAKE, "Alt+T", "Retake", false},
    {IDC_PRINT, "Alt+P", "Print", false},
    {IDC_EMAIL, "Alt+M", "E-Mail", false},
    {IDC_COMPARE_PREVIOUS, "Alt+V", "Compare Previous", false},
    {IDC_COMPARE_NATIONAL, "Alt+L", "Compare National", false},
    {IDC_EXIT_RESULTS, "Alt+X", "EXIT: leave Quillet", false},
};

// The key that opens the Keyboard box.
inline constexpr const char* kKeyboardHelpKey = "F1";

// Gives every button of kWindowKeys its shortcut, working while the button
// is shown. A button pressed by its key takes the focus first, as by its
// mnemonic, but for Next and Previous, which take it to the question.
void InstallWindowKeys(const std::function<QWidget*(int id)>& control);

// The keys as the Keyboard box lists them: each key once, with what it
// does on which pages.
std::vector<CKeysDlg::Row> WindowKeyRows();
// The Keyboard box over the window.
void ShowWindowKeys(QWidget* owner);
