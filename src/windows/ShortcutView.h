#pragma once

#include "shortcut/Shortcut.h"

#include <QPointer>
#include <QWidget>
#include <any>
#include <functional>
#include <memory>
#include <optional>

namespace monctl {

class ShortcutValidator;

// Turns a value into what a bound model stores, and back.
class ValueTransformer {
public:
    virtual ~ValueTransformer() = default;
    virtual bool allowsReverseTransformation() const = 0;
    virtual std::any reverseTransformedValue(const std::any& value) const = 0;
};

// Where a recorder writes its value: the observed object's setter for a key path, through
// an optional transformer. Missing parts are logged, as a broken binding is.
struct ShortcutBinding {
    std::function<void(const std::string& keyPath, const std::any& value)> observedObject;
    std::string observedKeyPath;
    std::shared_ptr<ValueTransformer> transformer;
};

// A control in which the user records a keyboard shortcut. It looks like a button: the
// shortcut (modifier glyphs and key), a hint area at its right end (a delete mark, or an
// escape mark while recording), prompts while recording. A click starts recording; the
// next acceptable combination becomes its value; Delete clears, Escape cancels. Its texts
// are English when the interface language is 1, else Chinese. Main thread.
class ShortcutView final : public QWidget {
    Q_OBJECT

public:
    explicit ShortcutView(QWidget* parent = nullptr);
    ~ShortcutView() override;

    const std::optional<Shortcut>& shortcutValue() const { return m_shortcutValue; }
    void setShortcutValue(const std::optional<Shortcut>& value);
    const QString& shortcutPlaceholder() const { return m_shortcutPlaceholder; }
    void setShortcutPlaceholder(const QString& placeholder);
    bool isRecording() const { return m_recording; }
    void setRecording(bool recording);
    // Whether some recorder records: it then takes every key press monctl's windows get.
    static bool isAnyRecording();
    bool isHinting() const { return m_hinting; }
    void setHinting(bool hinting);
    std::int64_t style() const { return m_style; }
    void setStyle(std::int64_t style);
    bool showsDeleteButton() const { return m_showsDeleteButton; }
    void setShowsDeleteButton(bool shows);
    ShortcutValidator& shortcutValidator() const { return *m_shortcutValidator; }
    void setShortcutValidator(ShortcutValidator& validator) { m_shortcutValidator = &validator; }
    void setShortcutValueChange(std::function<void(ShortcutView&)> change) {
        m_shortcutValueChange = std::move(change);
    }
    void bindShortcutValue(std::optional<ShortcutBinding> binding) {
        m_binding = std::move(binding);
    }

    // The hint area's width for the style, and the two areas.
    int hintWidth() const;
    QRect shortcutRect() const;
    QRect hintRect() const;
    // What the control shows now, and its tool tip at a point.
    QString title() const;
    QString mark() const;
    QString toolTipAt(const QPoint& point) const;

    QString accessibilityHelp() const;
    // The name of a recorder no caption names.
    QString accessibilityLabel() const;
    // The combination held, or that there is none, in the interface language.
    QString accessibilityValue() const;
    bool accessibilityPerformPress();
    const QString& lastAnnouncement() const { return m_lastAnnouncement; }

    // Hands a key event to the recorder; true when it is consumed.
    bool handleRecordingKey(const class QKeyEvent& event);
    // What sounds for a refused combination (the system beep by default).
    static void setBeep(std::function<void()> beep);

    // Wide enough for every prompt in the interface language.
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(class QKeyEvent* event) override;
    void mousePressEvent(class QMouseEvent* event) override;
    void mouseMoveEvent(class QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    bool event(QEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    enum class Prompt { record, useOld, cancel, typeNew, type };
    static QString prompt(Prompt which);

    void activateEventMonitoring(bool active);
    void activateResignObserver(bool active);
    void propagateValue(const std::optional<Shortcut>& value);
    void showTakenAlert(const Shortcut& shortcut, const std::string& explanation);

    bool m_recording = false;
    bool m_hinting = false;
    bool m_showsDeleteButton = true;
    std::optional<Shortcut> m_shortcutValue;
    ShortcutValidator* m_shortcutValidator;
    std::function<void(ShortcutView&)> m_shortcutValueChange;
    std::int64_t m_style = 0;
    QString m_shortcutPlaceholder;
    std::optional<ShortcutBinding> m_binding;
    QString m_lastAnnouncement;
    bool m_monitoring = false;
    QPointer<QWidget> m_observedWindow;
};

} // namespace monctl
