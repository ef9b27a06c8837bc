#pragma once

// The skin in one place: every bitmap by id with its size, the faces of the
// owner-drawn buttons, and where each control of the test window sits. The
// program draws from it, quillet-skingen paints the bitmaps to it, and the
// tests check both against it. Plain data, no toolkit.

#include <initializer_list>

// Pages and control ids of the test window keep their resource names.
enum Page
{
    PageStart = -1,
    PageLogin = 0,
    PageEmpty = 1,
    PageTest = 2,
    PageQuiz = 3,
    PageReview = 4,
    PageResults = 5,
};

// Control ids of the test window.
enum ControlId
{
    IDC_NEXT = 1000,
    IDC_PREVIOUS,
    IDC_FLAG,
    IDC_LAST_FLAGGED,
    IDC_NEXT_FLAGGED,
    IDC_NEXT_UNANSWERED,
    IDC_LAST_UNANSWERED,
    IDC_EXIT,
    IDC_HINT,
    IDC_REVIEW,
    IDC_RETAKE,
    IDC_PRINT,
    IDC_EMAIL,
    IDC_COMPARE_PREVIOUS,
    IDC_COMPARE_NATIONAL,
    IDC_EXIT_RESULTS,
    IDC_ANSWER_A,
    IDC_ANSWER_B,
    IDC_ANSWER_C,
    IDC_ANSWER_D,
    IDC_LOGIN_NEXT,
    IDC_USER_NAME,
    IDC_PASSWORD,
    IDC_QUESTION,
    IDC_CLOCK,
    IDC_COMPLETE,
    IDC_PLAY_TOPIC,
    IDC_NOTES,
    IDC_FIRST = IDC_NEXT,
    IDC_LAST = IDC_NOTES,
};

namespace quillet::skin
{
// The two buttons of the skinned dialogs.
inline constexpr int kDialogOk = 1;     // IDOK
inline constexpr int kDialogCancel = 2; // IDCANCEL

struct Rect
{
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

// Bitmap ids that the code names; the buttons' faces are in kButtonFaces.
namespace bitmap
{
inline constexpr int kLoginPage = 181; // also the source of the palette
inline constexpr int kTestPage = 130;
inline constexpr int kQuizPage = 129;
inline constexpr int kReviewPage = 187;
inline constexpr int kResultsPage = 158;
inline constexpr int kCertificate = 228;
inline constexpr int kAbout = 217;
inline constexpr int kQuestionPanel = 188;
inline constexpr int kFlaggedPanel = 186;
inline constexpr int kMarkerChosen = 182;
inline constexpr int kMarkerNotChosen = 183;
inline constexpr int kMarkerWrongChoice = 184;
inline constexpr int kMarkerRight = 185;
inline constexpr int kResultRight = 163;
inline constexpr int kResultWrong = 142;
inline constexpr int kWoodTile = 196;
inline constexpr int kHintTile = 135;
inline constexpr int kTableTile = 194;
}

struct BitmapSize
{
    int id;
    int width;
    int height;
};

// The pictures, panels, markers and tiles. Button faces take the size of
// their control (kButtonFaces).
inline constexpr BitmapSize kPictures[] = {
    {bitmap::kLoginPage, 630, 433},  {bitmap::kTestPage, 630, 433},      {bitmap::kQuizPage, 630, 433},
    {bitmap::kReviewPage, 630, 433}, {bitmap::kResultsPage, 630, 433},   {bitmap::kCertificate, 800, 600},
    {bitmap::kAbout, 500, 300},      {bitmap::kQuestionPanel, 470, 97},  {bitmap::kFlaggedPanel, 470, 97},
    {bitmap::kMarkerChosen, 25, 25}, {bitmap::kMarkerNotChosen, 25, 25}, {bitmap::kMarkerWrongChoice, 25, 25},
    {bitmap::kMarkerRight, 25, 25},  {bitmap::kResultRight, 26, 16},     {bitmap::kResultWrong, 26, 16},
    {bitmap::kWoodTile, 380, 200},   {bitmap::kHintTile, 66, 90},        {bitmap::kTableTile, 22, 18},
};

constexpr BitmapSize SizeOf(int id)
{
    for (const BitmapSize& size : kPictures)
        if (size.id == id)
            return size;
    return {id, 0, 0};
}

// Pressed, focused and normal faces of a command button, and the size they
// are drawn at. The size is the control's, but for Retake, whose faces are
// two rows taller than its control.
struct ButtonFaces
{
    int id; // control id, or kDialogOk / kDialogCancel
    int pressed;
    int focused;
    int normal;
    int width;
    int height;
};

inline constexpr ButtonFaces kButtonFaces[] = {
    {IDC_NEXT, 174, 214, 175, 79, 29},
    {IDC_PREVIOUS, 178, 199, 179, 89, 33},
    {IDC_FLAG, 166, 210, 167, 53, 38},
    {IDC_LAST_FLAGGED, 168, 211, 169, 52, 38},
    {IDC_NEXT_FLAGGED, 172, 213, 173, 50, 38},
    {IDC_NEXT_UNANSWERED, 176, 215, 177, 104, 21},
    {IDC_LAST_UNANSWERED, 170, 212, 171, 104, 21},
    {IDC_EXIT, 164, 209, 165, 105, 22},
    {IDC_HINT, 161, 208, 162, 40, 60},
    {IDC_REVIEW, 156, 205, 157, 143, 65},
    {IDC_RETAKE, 154, 204, 155, 127, 37},
    {IDC_PRINT, 152, 203, 153, 131, 41},
    {IDC_EMAIL, 148, 201, 149, 132, 36},
    {IDC_COMPARE_PREVIOUS, 146, 200, 147, 127, 56},
    {IDC_COMPARE_NATIONAL, 144, 216, 145, 129, 78},
    {IDC_EXIT_RESULTS, 150, 202, 151, 78, 31},
    {IDC_LOGIN_NEXT, 159, 206, 160, 79, 29},
    {IDC_PLAY_TOPIC, 189, 207, 190, 132, 41},
    {kDialogOk, 223, 224, 225, 100, 30},
    {kDialogCancel, 220, 219, 221, 100, 30},
};

constexpr const ButtonFaces* FacesOf(int id)
{
    for (const ButtonFaces& faces : kButtonFaces)
        if (faces.id == id)
            return &faces;
    return nullptr;
}

// Where the OK and Cancel buttons of the prompt family sit.
struct DialogButtonSpec
{
    int id;
    const char* caption;
    Rect rect;
};
inline constexpr DialogButtonSpec kPromptButtons[] = {
    {kDialogOk, "OK", {20, 100, 100, 30}},
    {kDialogCancel, "Cancel", {180, 100, 100, 30}},
};
// The box shown while an outside program works: Cancel alone, centred.
inline constexpr DialogButtonSpec kBusyButton = {kDialogCancel, "Cancel", {100, 100, 100, 30}};

// Where the program writes on the results page, in client pixels.
namespace results
{
// One row per question from kListTop, kListStep apart, while above kListBottom:
// the right marker in its lane, or the wrong marker in the next lane and the
// start of the question.
inline constexpr int kListTop = 68;
inline constexpr int kListStep = 18;
inline constexpr int kListBottom = 428;
inline constexpr int kRightMarkerX = 265;
inline constexpr int kWrongMarkerX = 297;
inline constexpr Rect kListText = {332, 0, 125, 17}; // moved down to each row
inline constexpr Rect kCorrectBox = {470, 50, 40, 45};
inline constexpr Rect kTotalBox = {575, 50, 40, 45};
inline constexpr Rect kPercentBox = {452, 87, 110, 60};
inline constexpr int kCourseLineX = 255, kCourseLineY = 12;
inline constexpr int kHeadingX = 255, kHeadingY = 30;
inline constexpr int kOutOfX = 516, kOutOfY = 65;
inline constexpr int kTimeTakenX = 530, kTimeTakenY = 155;
inline constexpr Rect kGradeSentence = {485, 180, 130, 60};
inline constexpr int kGradeLetterX = 550, kGradeLetterY = 220;
// The drawn boxes the list rows and the grade go in (client pixels,
// frame lines included).
inline constexpr Rect kListFrame = {253, 60, 211, 367};
inline constexpr Rect kGradeFrame = {481, 179, 149, 113};
}

// The face a button shows in its state.
constexpr int FaceFor(const ButtonFaces& faces, bool pressed, bool focused)
{
    return pressed ? faces.pressed : focused ? faces.focused : faces.normal;
}

constexpr unsigned OnPages(std::initializer_list<int> pages)
{
    unsigned mask = 0;
    for (const int page : pages)
        mask |= 1u << page;
    return mask;
}

inline constexpr unsigned kQuestionPages = OnPages({PageTest, PageQuiz});
inline constexpr unsigned kWalkPages = OnPages({PageTest, PageQuiz, PageReview});

// Where each control of the test window sits and on which pages it shows.
struct ControlSpec
{
    int id;
    const char* caption; // the template caption: mnemonic and accessible name
    Rect rect;           // client pixels
    unsigned pages;      // bit (1 << page) for every page that shows it
    bool tabStop;
};

inline constexpr ControlSpec kControls[] = {
    {IDC_NEXT, "&Next", {547, 36, 79, 29}, kWalkPages, true},
    {IDC_PREVIOUS, "Previous", {542, 71, 89, 33}, kWalkPages, true},
    {IDC_FLAG, "Flag", {548, 127, 53, 38}, kQuestionPages, true},
    {IDC_LAST_FLAGGED, "Last Flagged", {524, 169, 52, 38}, kQuestionPages, true},
    {IDC_NEXT_FLAGGED, "Next Flagged", {577, 169, 50, 38}, kQuestionPages, true},
    {IDC_NEXT_UNANSWERED, "Next Unanswered", {523, 223, 104, 21}, kQuestionPages, true},
    {IDC_LAST_UNANSWERED, "Last Unanswered", {523, 248, 104, 21}, kQuestionPages, true},
    {IDC_EXIT, "EXIT", {522, 396, 105, 22}, kWalkPages, true},
    {IDC_HINT, "H\nI\nN\nT", {228, 366, 40, 60}, OnPages({PageQuiz}), true},
    {IDC_REVIEW, "Review", {1, 39, 143, 65}, OnPages({PageResults}), true},
    {IDC_RETAKE, "Retake", {2, 112, 127, 37}, OnPages({PageResults}), true},
    {IDC_PRINT, "Print", {1, 160, 131, 41}, OnPages({PageResults}), true},
    {IDC_EMAIL, "E-Mail", {1, 204, 132, 36}, OnPages({PageResults}), true},
    {IDC_COMPARE_PREVIOUS, "Compare Previous", {1, 242, 127, 56}, OnPages({PageResults}), true},
    {IDC_COMPARE_NATIONAL, "Compare National", {1, 302, 129, 78}, OnPages({PageResults}), true},
    {IDC_EXIT_RESULTS, "EXIT", {62, 396, 78, 31}, OnPages({PageResults}), true},
    {IDC_ANSWER_A, "Answer &A", {15, 114, 467, 60}, kWalkPages, true},
    {IDC_ANSWER_B, "Answer &B", {15, 174, 467, 60}, kWalkPages, true},
    {IDC_ANSWER_C, "Answer &C", {15, 234, 467, 60}, kWalkPages, true},
    {IDC_ANSWER_D, "Answer &D", {15, 294, 467, 60}, kWalkPages, true},
    {IDC_LOGIN_NEXT, "&Next", {545, 36, 79, 29}, OnPages({PageLogin}), true},
    {IDC_USER_NAME, "User name", {366, 260, 94, 22}, OnPages({PageLogin}), true},
    {IDC_PASSWORD, "Password", {366, 302, 94, 22}, OnPages({PageLogin}), true},
    {IDC_QUESTION, "Question", {15, -7, 470, 97}, kWalkPages, false},
    {IDC_CLOCK, "Clock", {32, 396, 175, 24}, kQuestionPages, false},
    {IDC_COMPLETE, "Complete", {289, 396, 175, 24}, kQuestionPages, false},
    {IDC_PLAY_TOPIC, "Play Topic", {369, 386, 132, 41}, OnPages({PageReview}), true},
    // The author's notes on the answers, in review, under the answers.
    {IDC_NOTES, "Notes", {15, 362, 348, 62}, OnPages({PageReview}), true},
};

constexpr const ControlSpec& ControlOf(int id)
{
    return kControls[id - IDC_FIRST];
}

// The surface below the menu bar: wide and tall enough for every control
// rectangle and for the page background painted at (1, -6).
inline constexpr int kSurfaceWidth = 632;
inline constexpr int kSurfaceHeight = 427;

// The page backgrounds, blitted at (1, -6) of the surface below the menu
// bar: their first six rows lie above it.
constexpr int BackgroundOf(int page)
{
    switch (page)
    {
    case PageTest:
        return bitmap::kTestPage;
    case PageQuiz:
        return bitmap::kQuizPage;
    case PageReview:
        return bitmap::kReviewPage;
    case PageResults:
        return bitmap::kResultsPage;
    default:
        return bitmap::kLoginPage;
    }
}
inline constexpr int kBackgroundX = 1;
inline constexpr int kBackgroundY = -6;
}
