#pragma once

#include <QImage>
#include <QWidget>

#include <functional>

// What the media player control asks of its video area, whichever way the area draws.
class MpvVideoSurface
{
public:
    // Idle: nothing loaded (black); Video: the engine's frames; Audio: a quiet placeholder.
    enum class Mode
    {
        Idle,
        Video,
        Audio
    };

    virtual ~MpvVideoSurface() = default;
    virtual QWidget* widget() = 0;
    // True once the engine may load files: the render context exists, or never will.
    virtual bool ready() const = 0;
    // Frees the render context; it must go before the engine does.
    virtual void release() = 0;
    void setMode(Mode mode, const QString& caption = QString());
    Mode mode() const { return m_mode; }

    // Called once when the area becomes ready after construction.
    std::function<void()> onReady;

protected:
    void paintBackground(QPainter& painter, const QRect& rect) const;
    virtual void modeChanged() = 0;

    Mode m_mode = Mode::Idle;
    QString m_caption;
};

// A native window of ours that the engine draws into itself (its own video output, given the
// window's id): frames cost the toolkit nothing. Once the engine has shown video it keeps its window
// (and its drawing context) until it ends, since making them again for each clip costs memory that
// some drivers never give back; the idle and audio faces are then drawn on a window of ours stacked
// above the engine's.
class MpvNativeArea : public QWidget, public MpvVideoSurface
{
    Q_OBJECT
public:
    explicit MpvNativeArea(QWidget* parent);
    QWidget* widget() override { return this; }
    bool ready() const override { return true; }
    void release() override {}
    // The window the engine draws into; made on first call.
    quint64 windowId() { return quint64(winId()); }
    // Draws the faces of the given mode into painter (for the window above the engine's).
    void paintFace(QPainter& painter, const QRect& rect) const { paintBackground(painter, rect); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void modeChanged() override;

private:
    QWidget* m_face;
};
