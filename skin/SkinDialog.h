#pragma once

#include <QDialog>
#include <QRect>

#include "skin/SkinButton.h"
#include "skin/SkinCatalogue.h"
#include "skin/SkinKit.h"

// Answers of a skinned dialog's modal run.
inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;

// A borderless dialog painted entirely by the program. Enter acts as OK
// (through OnOK, which subclasses may change), Escape and closing cancel;
// DoModal answers IDOK or IDCANCEL.
class CSkinDialog : public QDialog
{
    Q_OBJECT
  public:
    explicit CSkinDialog(QWidget* parent);

    // Modal over its owner's window (CModalOverlay).
    int DoModal();

    void accept() override { done(IDOK); }
    void reject() override { done(IDCANCEL); }

  protected:
    // Sizes the dialog and centres it over its owner (or the screen), or
    // inside the owner's window when it is drawn there.
    void PlaceCentred(QSize size);
    void Centre();
    CSkinButton* AddButton(int id, const QString& caption, const QRect& rect);
    // The draw routine for the dialog's buttons.
    virtual void OnDrawItem(QPainter& painter, const DrawItem& item) = 0;
    virtual void OnOK() { accept(); }
    // What a screen reader hears as the dialog opens: its title as its
    // name, its message as its description and that of its buttons.
    virtual QString SpokenTitle() const { return accessibleName(); }
    virtual QString SpokenMessage() const { return {}; }

    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;
};

// A message as one line to be read out.
QString SpokenLine(const std::string& text);

// Wood tile, three frames and a bold caption across the top: the surface of
// the prompt, the password confirmation and the e-mail address dialogs.
void PaintPromptSurface(QPainter& painter, const QRect& client, const QString& text, int fontHeight,
                        unsigned extraFormat = 0);
// The face of an OK or Cancel button by its state.
void DrawPromptButton(QPainter& painter, const DrawItem& item);
