#include "windows/ShortcutView.h"

#include "shortcut/KeyCodes.h"
#include "shortcut/Localization.h"
#include "shortcut/ModifierFlags.h"
#include "shortcut/NativeKeyPress.h"
#include "shortcut/ShortcutValidator.h"
#include "windows/QtModifiers.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QApplication>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPainter>
#include <QStyleOptionButton>
#include <QToolTip>
#include <algorithm>
#include <spdlog/spdlog.h>

namespace monctl {
namespace {

std::function<void()>& beepSound() {
    static std::function<void()> beep = [] { QApplication::beep(); };
    return beep;
}

// The one application-wide key monitor of all recorders: it sees key presses and modifier
// changes before the windows do, for the recorder that installed it.
class RecorderKeyMonitor final : public QObject {
public:
    static RecorderKeyMonitor& shared() {
        static auto* monitor = new RecorderKeyMonitor; // lives with the application
        return *monitor;
    }
    QPointer<ShortcutView> owner;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (!owner)
            return false;
        const auto type = event->type();
        if (type == QEvent::ShortcutOverride) {
            // Keeps menu shortcuts from firing while recording, so that the recorder sees
            // the combination; the key press follows.
            const auto* key = static_cast<QKeyEvent*>(event);
            const auto flags = flagsFromQtModifiers(key->modifiers());
            const bool passesOn =
                (flags == ModifierFlag::control || flags == ModifierFlag::command) &&
                (key->key() == Qt::Key_W || key->key() == Qt::Key_Q);
            if (!passesOn)
                event->accept();
            return false;
        }
        if (type != QEvent::KeyPress && type != QEvent::KeyRelease)
            return false;
        const auto* key = static_cast<QKeyEvent*>(event);
        // A key press reaches the window first, then travels through its widgets: taken once,
        // at the window.
        if (!watched->isWindowType())
            return false;
        if (type == QEvent::KeyRelease && !key->isAutoRepeat()) {
            // A modifier let go: the placeholder follows the modifiers still held.
            if (owner->isRecording())
                owner->setShortcutPlaceholder(QString::fromStdString(
                    Shortcut(0, flagsFromQtModifiers(key->modifiers())).desktopModifiersText()));
            return false;
        }
        return owner->handleRecordingKey(*key);
    }
};

// The recorder that last started recording.
QPointer<ShortcutView>& currentRecorder() {
    static QPointer<ShortcutView> recorder;
    return recorder;
}

const char* const shortcutToken = "shortcut area";
const char* const hintToken = "hint area";

class ShortcutViewAccessible final : public QAccessibleWidget {
public:
    explicit ShortcutViewAccessible(ShortcutView* view)
        : QAccessibleWidget(view, QAccessible::Button), m_view(view) {}

    // Named by its caption (its accessible name, else the label whose buddy it is), so that
    // recorders side by side are told apart; its value is the combination it holds, also as
    // its description: the accessibility bus of Qt 6.4 carries no value text for a button.
    QString text(QAccessible::Text kind) const override {
        if (kind == QAccessible::Value || kind == QAccessible::Description)
            return m_view->accessibilityValue();
        if (kind == QAccessible::Help)
            return m_view->accessibilityHelp();
        QString text = QAccessibleWidget::text(kind);
        if (kind == QAccessible::Name && text.isEmpty())
            return m_view->accessibilityLabel();
        return text;
    }
    QStringList actionNames() const override { return {pressAction()}; }
    void doAction(const QString& action) override {
        if (action == pressAction())
            m_view->accessibilityPerformPress();
    }

private:
    ShortcutView* m_view;
};

QAccessibleInterface* accessibleFactory(const QString& className, QObject* object) {
    if (className == QLatin1String("monctl::ShortcutView"))
        return new ShortcutViewAccessible(static_cast<ShortcutView*>(object));
    return nullptr;
}

} // namespace

void ShortcutView::setBeep(std::function<void()> beep) {
    beepSound() = std::move(beep);
}

ShortcutView::ShortcutView(QWidget* parent)
    : QWidget(parent), m_shortcutValidator(&ShortcutValidator::sharedValidator()) {
    static const bool factoryInstalled = [] {
        QAccessible::installFactory(accessibleFactory);
        return true;
    }();
    (void)factoryInstalled;
    QFont small = font();
    small.setPointSize(11);
    setFont(small);
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus); // Tab reaches it; Space or Return starts a recording
    setStyle(0);
}

ShortcutView::~ShortcutView() {
    activateEventMonitoring(false);
    activateResignObserver(false);
}

QString ShortcutView::prompt(Prompt which) {
    switch (which) {
    case Prompt::record:
        return tr("Record Shortcut");
    case Prompt::useOld:
        return tr("Use Old Shortcut");
    case Prompt::cancel:
        return tr("Cancel");
    case Prompt::typeNew:
        return tr("Type New Shortcut");
    case Prompt::type:
        break;
    }
    return tr("Type Shortcut");
}

QSize ShortcutView::sizeHint() const {
    const QFontMetrics metrics(font());
    int widest = 0;
    for (const auto which :
         {Prompt::record, Prompt::useOld, Prompt::cancel, Prompt::typeNew, Prompt::type})
        widest = std::max(widest, metrics.horizontalAdvance(prompt(which)));
    // A prompt is centred left of the hint area, clear of the bevel on both sides.
    constexpr int bevel = 8;
    return {std::max(180, widest + hintWidth() + 2 * bevel), 24};
}

QSize ShortcutView::minimumSizeHint() const {
    return sizeHint();
}

int ShortcutView::hintWidth() const {
    switch (m_style) {
    case 1:
        return 25;
    case 2:
        return 26;
    case 3:
        return static_cast<int>(font().pointSize()) - 11 - 8 + 23;
    default:
        return 23;
    }
}

QRect ShortcutView::hintRect() const {
    return {width() - hintWidth(), 0, hintWidth(), height()};
}

QRect ShortcutView::shortcutRect() const {
    return {0, 0, width() - hintWidth(), height()};
}

void ShortcutView::setStyle(std::int64_t style) {
    m_style = style;
    setAttribute(Qt::WA_TranslucentBackground, style == 3);
    update();
}

QString ShortcutView::mark() const {
    if (m_recording)
        return QString::fromUtf8("\u238B");
    if (m_shortcutValue && m_showsDeleteButton)
        return QString::fromUtf8("\u2715");
    return {};
}

QString ShortcutView::title() const {
    if (!m_recording) {
        if (!m_shortcutValue)
            return prompt(Prompt::record);
        return QString::fromStdString(m_shortcutValue->desktopText());
    }
    if (m_hinting)
        return prompt(m_shortcutValue ? Prompt::useOld : Prompt::cancel);
    if (!m_shortcutPlaceholder.isEmpty())
        return m_shortcutPlaceholder;
    return prompt(m_shortcutValue ? Prompt::typeNew : Prompt::type);
}

void ShortcutView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    QStyleOptionButton button;
    button.initFrom(this);
    button.rect = rect().translated(0, m_style == 1 || m_style == 2 ? 1 : 0);
    button.state |= m_recording ? QStyle::State_On : QStyle::State_Off;
    if (m_style == 3)
        button.features |= QStyleOptionButton::Flat;
    QWidget::style()->drawControl(QStyle::CE_PushButtonBevel, &button, &painter, this);
    const bool titleOnly = !m_shortcutValue && !m_recording;
    if (!titleOnly)
        painter.drawText(hintRect(), Qt::AlignCenter, mark());
    painter.drawText(titleOnly ? rect() : shortcutRect(), Qt::AlignCenter, title());
    if (hasFocus()) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        QWidget::style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &painter, this);
    }
}

void ShortcutView::keyPressEvent(QKeyEvent* event) {
    const bool starts = event->key() == Qt::Key_Space || event->key() == Qt::Key_Return ||
                        event->key() == Qt::Key_Enter;
    if (!m_recording && starts && (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier)
        setRecording(true);
    else
        QWidget::keyPressEvent(event);
}

void ShortcutView::mousePressEvent(QMouseEvent* event) {
    if (!isEnabled())
        return QWidget::mousePressEvent(event);
    const bool inShortcutArea = shortcutRect().contains(event->position().toPoint());
    if (m_recording) {
        if (hintRect().contains(event->position().toPoint()))
            setRecording(false);
        return;
    }
    if (!m_shortcutValue || inShortcutArea)
        setRecording(true);
    else
        setShortcutValue(std::nullopt);
}

void ShortcutView::mouseMoveEvent(QMouseEvent* event) {
    if (isEnabled())
        setHinting(hintRect().contains(event->position().toPoint()));
    QWidget::mouseMoveEvent(event);
}

void ShortcutView::leaveEvent(QEvent* event) {
    setHinting(false);
    QWidget::leaveEvent(event);
}

void ShortcutView::setHinting(bool hinting) {
    if (hinting == m_hinting)
        return;
    m_hinting = hinting;
    update();
}

QString ShortcutView::toolTipAt(const QPoint& point) const {
    if (!m_shortcutValue || m_recording || !isEnabled())
        return {};
    const char* token = hintRect().contains(point) ? hintToken : shortcutToken;
    if (token == shortcutToken)
        return tr("Click to record new shortcut");
    return tr("Delete shortcut");
}

bool ShortcutView::event(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        const auto* help = static_cast<QHelpEvent*>(event);
        const QString tip = toolTipAt(help->pos());
        if (tip.isEmpty())
            QToolTip::hideText();
        else
            QToolTip::showText(help->globalPos(), tip, this);
        return true;
    }
    return QWidget::event(event);
}

void ShortcutView::changeEvent(QEvent* event) {
    if (event->type() == QEvent::EnabledChange) {
        setHinting(false);
        setRecording(false);
        update();
    }
    if (event->type() == QEvent::LanguageChange) {
        updateGeometry();
        update();
    }
    QWidget::changeEvent(event);
}

void ShortcutView::setShortcutValue(const std::optional<Shortcut>& value) {
    m_shortcutValue = value;
    update();
    QAccessibleEvent changed(this, QAccessible::DescriptionChanged);
    QAccessible::updateAccessibility(&changed);
    propagateValue(value);
    if (m_shortcutValueChange)
        m_shortcutValueChange(*this);
}

void ShortcutView::setShortcutPlaceholder(const QString& placeholder) {
    m_shortcutPlaceholder = placeholder;
    update();
}

void ShortcutView::setShowsDeleteButton(bool shows) {
    m_showsDeleteButton = shows;
    update();
}

bool ShortcutView::isAnyRecording() {
    return currentRecorder() && currentRecorder()->isRecording();
}

void ShortcutView::setRecording(bool recording) {
    auto& current = currentRecorder();
    if (recording) {
        if (current != this) {
            if (current)
                current->setRecording(false);
            current = this;
        }
        if (!isEnabled())
            return;
    }
    if (m_recording == recording)
        return;
    m_recording = recording;
    m_shortcutPlaceholder.clear();
    activateEventMonitoring(recording);
    activateResignObserver(recording);
    update();
    if (!recording) {
        m_lastAnnouncement = QString::fromStdString(localizedShortcutText(
            m_shortcutValue ? "Shortcut set" : "Shortcut cleared",
            m_shortcutValue ? "VoiceOver: Shortcut set" : "VoiceOver: Shortcut cleared"));
        QAccessibleEvent announcement(this, QAccessible::Alert);
        QAccessible::updateAccessibility(&announcement);
    }
}

void ShortcutView::activateEventMonitoring(bool active) {
    if (active == m_monitoring)
        return;
    m_monitoring = active;
    auto& monitor = RecorderKeyMonitor::shared();
    if (active) {
        monitor.owner = this;
        qApp->installEventFilter(&monitor);
    } else if (monitor.owner == this) {
        monitor.owner = nullptr;
        qApp->removeEventFilter(&monitor);
    }
}

void ShortcutView::activateResignObserver(bool active) {
    if (active == bool(m_observedWindow))
        return;
    if (active) {
        m_observedWindow = window();
        m_observedWindow->installEventFilter(this);
    } else {
        m_observedWindow->removeEventFilter(this);
        m_observedWindow = nullptr;
    }
}

bool ShortcutView::eventFilter(QObject* watched, QEvent* event) {
    // The window stopped being the active one: recording ends.
    if (watched == m_observedWindow && event->type() == QEvent::WindowDeactivate)
        QMetaObject::invokeMethod(
            this, [this] { setRecording(false); }, Qt::QueuedConnection);
    return false;
}

bool ShortcutView::handleRecordingKey(const QKeyEvent& event) {
    const auto press = keyPressFromNative(event.nativeScanCode(), event.nativeModifiers());
    const Shortcut shortcut = Shortcut::shortcutWithEvent(press ? press->virtualKey : 0xFFFF,
                                                          flagsFromQtModifiers(event.modifiers()));
    const auto key = shortcut.keyCode();
    const auto flags = shortcut.modifierFlags();
    if (key == VirtualKey::tab)
        return false;
    if (flags == 0 && (key == VirtualKey::deleteKey || key == VirtualKey::forwardDelete)) {
        setShortcutValue(std::nullopt);
        setRecording(false);
        return true;
    }
    if (flags == 0 && key == VirtualKey::escape) {
        setRecording(false);
        return true;
    }
    // Closing and quitting go on as usual, with the Linux Control as well as Super.
    if ((flags == ModifierFlag::command || flags == ModifierFlag::control) &&
        (key == VirtualKey::w || key == VirtualKey::q)) {
        setRecording(false);
        return false;
    }
    const auto keyText = press ? shortcut.keyCodeString() : std::nullopt;
    if (!keyText || keyText->empty()) {
        setShortcutPlaceholder(QString::fromStdString(shortcut.desktopModifiersText()));
        return true;
    }
    std::string explanation;
    if (!m_shortcutValidator->isShortcutValid(shortcut)) {
        beepSound()();
    } else if (m_shortcutValidator->isShortcutAlreadyTakenBySystem(shortcut, &explanation)) {
        showTakenAlert(shortcut, explanation);
    } else {
        setShortcutValue(shortcut);
        setRecording(false);
    }
    return true;
}

void ShortcutView::showTakenAlert(const Shortcut& shortcut, const std::string& explanation) {
    activateResignObserver(false);
    activateEventMonitoring(false);
    const QString combination = QString::fromStdString(shortcut.desktopText());
    QMessageBox alert(QMessageBox::Critical, "monctl",
                      tr("The key combination %1 cannot be used").arg(combination), QMessageBox::Ok,
                      this);
    alert.setInformativeText(QString::fromStdString(explanation));
    alert.exec();
    setShortcutPlaceholder({});
    activateResignObserver(true);
    activateEventMonitoring(true);
}

void ShortcutView::propagateValue(const std::optional<Shortcut>& value) {
    if (!m_binding)
        return;
    const char* operation = "-[ShortcutView propagateValue:forBinding:]";
    std::any stored = value;
    if (const auto& transformer = m_binding->transformer) {
        if (transformer->allowsReverseTransformation())
            stored = transformer->reverseTransformedValue(stored);
        else
            spdlog::warn("WARNING: binding \"shortcutValue\" has value transformer, but it doesn't "
                         "allow reverse transformations in {}",
                         operation);
    }
    if (!m_binding->observedObject) {
        spdlog::error("ERROR: NSObservedObjectKey was nil for binding \"shortcutValue\" in {}",
                      operation);
        return;
    }
    if (m_binding->observedKeyPath.empty()) {
        spdlog::error("ERROR: NSObservedKeyPathKey was nil for binding \"shortcutValue\" in {}",
                      operation);
        return;
    }
    m_binding->observedObject(m_binding->observedKeyPath, stored);
}

QString ShortcutView::accessibilityHelp() const {
    return QString::fromStdString(localizedShortcutText(
        "To record a new shortcut, click this button, and then type the new shortcut, or press "
        "delete to clear an existing shortcut.",
        "VoiceOver shortcut help"));
}

QString ShortcutView::accessibilityLabel() const {
    return QString::fromStdString(localizedShortcutText("keyboard shortcut", "VoiceOver title"));
}

QString ShortcutView::accessibilityValue() const {
    return m_shortcutValue ? QString::fromStdString(m_shortcutValue->desktopText())
                           : tr("no shortcut");
}

bool ShortcutView::accessibilityPerformPress() {
    if (m_recording)
        return false;
    setRecording(true);
    return true;
}

} // namespace monctl
