#pragma once

#include <QRect>

#include "testwin/QuilletDlg.h"

// Where each control of the test window sits and on which pages it shows.
struct ControlSpec
{
    int id;
    const char* caption;  // the template caption: mnemonic and accessible name
    QRect rect;           // client pixels
    unsigned pages;       // bit (1 << page) for every page that shows it
    bool tabStop;
};

constexpr unsigned OnPages(std::initializer_list<int> pages)
{
    unsigned mask = 0;
    for (const int page : pages)
        mask |= 1u << page;
    return mask;
}

inline constexpr unsigned kQuestionPages = OnPages({PageTest, PageQuiz});
inline constexpr unsigned kWalkPages = OnPages({PageTest, PageQuiz, PageReview});

inline constexpr ControlSpec kControls[] = {
    {IDC_NEXT, "&Next", QRect(547, 36, 79, 29), kWalkPages, true},
    {IDC_PREVIOUS, "Previous", QRect(542, 71, 89, 33), kWalkPages, true},
    {IDC_FLAG, "Flag", QRect(548, 127, 53, 38), kQuestionPages, true},
    {IDC_LAST_FLAGGED, "Last Flagged", QRect(524, 169, 52, 38), kQuestionPages, true},
    {IDC_NEXT_FLAGGED, "Next Flagged", QRect(577, 169, 50, 38), kQuestionPages, true},
    {IDC_NEXT_UNANSWERED, "Next Unanswered", QRect(523, 223, 104, 21), kQuestionPages, true},
    {IDC_LAST_UNANSWERED, "Last Unanswered", QRect(523, 248, 104, 21), kQuestionPages, true},
    {IDC_EXIT, "EXIT", QRect(522, 396, 105, 22), kWalkPages, true},
    {IDC_HINT, "H\nI\nN\nT", QRect(228, 366, 40, 60), OnPages({PageQuiz}), true},
    {IDC_REVIEW, "Review", QRect(1, 39, 143, 65), OnPages({PageResults}), true},
    {IDC_RETAKE, "Retake", QRect(2, 112, 127, 37), OnPages({PageResults}), true},
    {IDC_PRINT, "Print", QRect(1, 160, 131, 41), OnPages({PageResults}), true},
    {IDC_EMAIL, "E-Mail", QRect(1, 204, 132, 36), OnPages({PageResults}), true},
    {IDC_COMPARE_PREVIOUS, "Compare Previous", QRect(1, 242, 127, 56), OnPages({PageResults}), true},
    {IDC_COMPARE_NATIONAL, "Compare National", QRect(1, 302, 129, 78), OnPages({PageResults}), true},
    {IDC_EXIT_RESULTS, "EXIT", QRect(62, 396, 78, 31), OnPages({PageResults}), true},
    {IDC_ANSWER_A, "Answer &A", QRect(15, 114, 467, 60), kWalkPages, true},
    {IDC_ANSWER_B, "Answer &B", QRect(15, 174, 467, 60), kWalkPages, true},
    {IDC_ANSWER_C, "Answer &C", QRect(15, 234, 467, 60), kWalkPages, true},
    {IDC_ANSWER_D, "Answer &D", QRect(15, 294, 467, 60), kWalkPages, true},
    {IDC_LOGIN_NEXT, "Login Next", QRect(545, 36, 79, 29), OnPages({PageLogin}), true},
    {IDC_USER_NAME, "User name", QRect(366, 260, 94, 22), OnPages({PageLogin}), true},
    {IDC_PASSWORD, "Password", QRect(366, 302, 94, 22), OnPages({PageLogin}), true},
    {IDC_QUESTION, "Question", QRect(15, -7, 470, 97), kWalkPages, false},
    {IDC_CLOCK, "Clock", QRect(32, 396, 175, 24), kQuestionPages, false},
    {IDC_COMPLETE, "Complete", QRect(289, 396, 175, 24), kQuestionPages, false},
    {IDC_PLAY_TOPIC, "Play Topic", QRect(369, 386, 132, 41), OnPages({PageReview}), true},
};

// Pressed, focused and normal faces of the command buttons.
struct ButtonFaces
{
    int id;
    int pressed;
    int focused;
    int normal;
};

inline constexpr ButtonFaces kButtonFaces[] = {
    {IDC_NEXT, 174, 214, 175},           {IDC_PREVIOUS, 178, 199, 179},
    {IDC_FLAG, 166, 210, 167},           {IDC_LAST_FLAGGED, 168, 211, 169},
    {IDC_NEXT_FLAGGED, 172, 213, 173},   {IDC_NEXT_UNANSWERED, 176, 215, 177},
    {IDC_LAST_UNANSWERED, 170, 212, 171}, {IDC_EXIT, 164, 209, 165},
    {IDC_HINT, 161, 208, 162},           {IDC_REVIEW, 156, 205, 157},
    {IDC_RETAKE, 154, 204, 155},         {IDC_PRINT, 152, 203, 153},
    {IDC_EMAIL, 148, 201, 149},          {IDC_COMPARE_PREVIOUS, 146, 200, 147},
    {IDC_COMPARE_NATIONAL, 144, 216, 145}, {IDC_EXIT_RESULTS, 150, 202, 151},
    {IDC_LOGIN_NEXT, 159, 206, 160},     {IDC_PLAY_TOPIC, 189, 207, 190},
};
