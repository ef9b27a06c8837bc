#include "skin/SkinAccessible.h"

#include <QAccessibleWidget>
#include <QKeySequence>
#include <algorithm>
#include <memory>

#include "skin/SkinButton.h"

namespace
{
// The text interface of a control whose text does not change under the
// reader's caret: no selection, a caret kept only for reading.
class CReadOnlyText : public QAccessibleTextInterface
{
  public:
    virtual QString Text() const = 0;

    void selection(int, int* startOffset, int* endOffset) const override { *startOffset = *endOffset = 0; }
    int selectionCount() const override { return 0; }
    void addSelection(int, int) override {}
    void removeSelection(int) override {}
    void setSelection(int, int, int) override {}
    int cursorPosition() const override { return std::min(m_cursor, characterCount()); }
    void setCursorPosition(int position) override { m_cursor = std::clamp(position, 0, characterCount()); }
    QString text(int startOffset, int endOffset) const override
    {
        const QString all = Text();
        startOffset = std::clamp(startOffset, 0, static_cast<int>(all.size()));
        endOffset = endOffset < 0 ? static_cast<int>(all.size())
                                  : std::clamp(endOffset, startOffset, static_cast<int>(all.size()));
        return all.mid(startOffset, endOffset - startOffset);
    }
    int characterCount() const override { return static_cast<int>(Text().size()); }
    QRect characterRect(int) const override { return {}; }
    int offsetAtPoint(const QPoint&) const override { return -1; }
    void scrollToSubstring(int, int) override {}
    QString attributes(int, int* startOffset, int* endOffset) const override
    {
        *startOffset = 0;
        *endOffset = characterCount();
        return {};
    }

  private:
    int m_cursor = 0;
};

bool IsTextRole(QAccessible::Role role)
{
    return role == QAccessible::EditableText || role == QAccessible::StaticText;
}

// An owner-drawn control as its owner describes it.
class CSkinButtonAccessible : public QAccessibleWidget, public CReadOnlyText
{
  public:
    explicit CSkinButtonAccessible(CSkinButton* button) : QAccessibleWidget(button, QAccessible::Button) {}

    QAccessible::Role role() const override { return Described().role; }

    QString text(QAccessible::Text t) const override
    {
        const SkinAccessibility d = Described();
        switch (t)
        {
        case QAccessible::Name:
            return d.name;
        case QAccessible::Description:
            return d.description;
        case QAccessible::Value:
            return IsTextRole(d.role) ? Text() : QString();
        case QAccessible::Accelerator:
            return QKeySequence::mnemonic(Button()->text()).toString(QKeySequence::NativeText);
        default:
            return QAccessibleWidget::text(t);
        }
    }

    QAccessible::State state() const override
    {
        const SkinAccessibility d = Described();
        QAccessible::State state = QAccessibleWidget::state();
        state.focusable = d.focusable && Button()->focusPolicy() != Qt::NoFocus;
        state.checkable = d.checkable;
        state.checked = d.checked;
        // A toggle reads as pressed while it is on.
        state.pressed = Button()->isDown() || (d.role == QAccessible::Button && d.checkable && d.checked);
        if (IsTextRole(d.role))
        {
            state.readOnly = true;
            state.multiLine = d.role == QAccessible::EditableText;
            state.selectableText = true;
        }
        return state;
    }

    QStringList actionNames() const override
    {
        QStringList names = QAccessibleWidget::actionNames();
        if (Described().pressable)
            names.prepend(pressAction());
        return names;
    }

    void doAction(const QString& action) override
    {
        if (action == pressAction() && Described().pressable)
            Button()->click();
        else
            QAccessibleWidget::doAction(action);
    }

    void* interface_cast(QAccessible::InterfaceType t) override
    {
        if (t == QAccessible::TextInterface && IsTextRole(Described().role))
            return static_cast<QAccessibleTextInterface*>(this);
        return QAccessibleWidget::interface_cast(t);
    }

    QString Text() const override
    {
        const SkinAccessibility d = Described();
        return d.text.isEmpty() ? d.name : d.text;
    }

  private:
    CSkinButton* Button() const { return static_cast<CSkinButton*>(widget()); }
    SkinAccessibility Described() const { return Button()->Describe(); }
};

class CPasswordAccessible : public QAccessibleWidget, public CReadOnlyText
{
  public:
    explicit CPasswordAccessible(CPasswordEdit* edit) : QAccessibleWidget(edit, QAccessible::EditableText) {}

    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Value)
            return Text();
        if (t == QAccessible::Name)
            return widget()->accessibleName();
        return QAccessibleWidget::text(t);
    }

    QAccessible::State state() const override
    {
        QAccessible::State state = QAccessibleWidget::state();
        state.passwordEdit = true;
        state.editable = !Edit()->isReadOnly();
        state.readOnly = Edit()->isReadOnly();
        return state;
    }

    int cursorPosition() const override { return Edit()->cursorPosition(); }
    void setCursorPosition(int position) override { Edit()->setCursorPosition(position); }

    void* interface_cast(QAccessible::InterfaceType t) override
    {
        if (t == QAccessible::TextInterface)
            return static_cast<QAccessibleTextInterface*>(this);
        return QAccessibleWidget::interface_cast(t);
    }

    QString Text() const override { return quillet::skin::Bullets(Edit()->text().size()); }

  private:
    QLineEdit* Edit() const { return static_cast<QLineEdit*>(widget()); }
};

QAccessibleInterface* SkinFactory(const QString&, QObject* object)
{
    if (auto* button = qobject_cast<CSkinButton*>(object))
        return new CSkinButtonAccessible(button);
    if (auto* edit = qobject_cast<CPasswordEdit*>(object))
        return new CPasswordAccessible(edit);
    return nullptr;
}

// Qt's line edit reports every typed character in its text events, in a
// password field too. Those events are passed on with bullets instead.
std::unique_ptr<QAccessibleEvent> MaskedPasswordEvent(QAccessibleEvent* event)
{
    QObject* edit = qobject_cast<CPasswordEdit*>(event->object());
    if (!edit)
        return nullptr;
    using quillet::skin::Bullets;
    switch (event->type())
    {
    case QAccessible::TextInserted:
    {
        auto* inserted = static_cast<QAccessibleTextInsertEvent*>(event);
        return std::make_unique<QAccessibleTextInsertEvent>(edit, inserted->changePosition(),
                                                            Bullets(inserted->textInserted().size()));
    }
    case QAccessible::TextRemoved:
    {
        auto* removed = static_cast<QAccessibleTextRemoveEvent*>(event);
        return std::make_unique<QAccessibleTextRemoveEvent>(edit, removed->changePosition(),
                                                            Bullets(removed->textRemoved().size()));
    }
    case QAccessible::TextUpdated:
    {
        auto* updated = static_cast<QAccessibleTextUpdateEvent*>(event);
        return std::make_unique<QAccessibleTextUpdateEvent>(edit, updated->changePosition(),
                                                            Bullets(updated->textRemoved().size()),
                                                            Bullets(updated->textInserted().size()));
    }
    case QAccessible::ValueChanged:
    {
        auto* changed = static_cast<QAccessibleValueChangeEvent*>(event);
        return std::make_unique<QAccessibleValueChangeEvent>(edit,
                                                             Bullets(changed->value().toString().size()));
    }
    default:
        return nullptr;
    }
}

QAccessible::UpdateHandler g_nextHandler = nullptr;

void FilterUpdate(QAccessibleEvent* event)
{
    const std::unique_ptr<QAccessibleEvent> masked = MaskedPasswordEvent(event);
    QAccessibleEvent* passed = masked ? masked.get() : event;
    if (g_nextHandler)
    {
        g_nextHandler(passed);
        return;
    }
    // Without a handler of its own, Qt hands events to the platform's
    // bridge; step aside for the one event.
    QAccessible::installUpdateHandler(nullptr);
    QAccessible::updateAccessibility(passed);
    QAccessible::installUpdateHandler(&FilterUpdate);
}
}

CPasswordEdit::CPasswordEdit(QWidget* parent) : QLineEdit(parent)
{
    quillet::skin::InstallAccessibility();
    setEchoMode(QLineEdit::Password);
}

namespace quillet::skin
{
void InstallAccessibility()
{
    static bool installed = false;
    if (installed)
        return;
    installed = true;
    QAccessible::installFactory(&SkinFactory);
    g_nextHandler = QAccessible::installUpdateHandler(&FilterUpdate);
}

QString Bullets(qsizetype length)
{
    return QString(length, QChar(0x2022));
}
}
