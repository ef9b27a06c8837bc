#include "skin/SkinDialog.h"

#include "skin/ModalOverlay.h"

#include <QApplication>
#include <QKeyEvent>
#include <QScreen>
#include <QTimer>

CSkinDialog::CSkinDialog(QWidget* parent) : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint)
{
    setModal(true);
}

void CSkinDialog::PlaceCentred(QSize size)
{
    setFixedSize(size);
    Centre();
}

int CSkinDialog::DoModal()
{
    return CModalOverlay::Exec(*this);
}

void CSkinDialog::Centre()
{
    const QSize size = this->size();
    if (!isWindow())
    {
        move((parentWidget()->width() - size.width()) / 2, (parentWidget()->height() - size.height()) / 2);
        return;
    }
    QWidget* owner = parentWidget() ? parentWidget()->window() : QApplication::activeWindow();
    QRect over;
    if (owner && owner != this && owner->isVisible())
        over = owner->frameGeometry();
    else if (const QScreen* screen = QApplication::primaryScreen())
        over = screen->availableGeometry();
    move(over.center() - QPoint(size.width() / 2, size.height() / 2));
}

CSkinButton* CSkinDialog::AddButton(int id, const QString& caption, const QRect& rect)
{
    auto* button = new CSkinButton(
        id, caption, [this](QPainter& painter, const DrawItem& item) { OnDrawItem(painter, item); }, this);
    button->setGeometry(rect);
    connect(button, &QAbstractButton::clicked, this,
            [this, id]
            {
                if (id == IDOK)
                    OnOK();
                else
                    reject();
            });
    return button;
}

void CSkinDialog::showEvent(QShowEvent* event)
{
    const QString title = SpokenTitle();
    if (!title.isEmpty())
        setAccessibleName(title);
    const QString message = SpokenMessage();
    setAccessibleDescription(message);
    for (CSkinButton* button : findChildren<CSkinButton*>())
        button->setAccessibleDescription(message);
    // Centred as it opens, wherever the window has gone since the dialog was
    // made, and once more after mapping, as a window manager may have put it
    // elsewhere.
    Centre();
    QDialog::showEvent(event);
    QTimer::singleShot(0, this, &CSkinDialog::Centre);
}

QString SpokenLine(const std::string& text)
{
    return quillet::skin::FromBytes(text).simplified();
}

void CSkinDialog::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
    {
        // Enter on Cancel is Cancel, as a focused push button would take it.
        if (auto* button = qobject_cast<CSkinButton*>(focusWidget()); button && button->Id() == IDCANCEL)
            reject();
        else
            OnOK();
        return;
    }
    QDialog::keyPressEvent(event);
}

void PaintPromptSurface(QPainter& painter, const QRect& client, const QString& text, int fontHeight,
                        unsigned extraFormat)
{
    using namespace quillet::skin;
    TileBitmap(painter, quillet::skin::bitmap::kWoodTile, client);
    QRect inside = client;
    DrawFrames(painter, inside);
    painter.setFont(MakeFont("Arial", fontHeight, 700));
    painter.setPen(Qt::black);
    DrawText(painter, inside, text, DT_CENTER | extraFormat);
}

void DrawPromptButton(QPainter& painter, const DrawItem& item)
{
    if (const quillet::skin::ButtonFaces* faces = quillet::skin::FacesOf(item.id))
        quillet::skin::BlitBitmap(painter, quillet::skin::FaceFor(*faces, item.pressed, item.focused),
                                  QPoint(0, 0));
}
