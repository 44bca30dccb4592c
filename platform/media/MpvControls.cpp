#include "platform/media/MpvControls.h"

#include "platform/media/TimeText.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QSlider>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

MpvControls::MpvControls(QWidget* parent) : QWidget(parent)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(1);
    layout->addWidget(buildTracker());
    layout->addWidget(buildPanel());

    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("statusLine"));
    m_status->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    m_status->setFrameShape(QFrame::StyledPanel);
    m_status->setFrameShadow(QFrame::Sunken);
    layout->addWidget(m_status);

    connect(m_playPause, &QToolButton::clicked, this, &MpvControls::playPauseClicked);
    connect(m_stop, &QToolButton::clicked, this, &MpvControls::stopClicked);
    connect(m_previous, &QToolButton::clicked, this, &MpvControls::previousClicked);
    connect(m_next, &QToolButton::clicked, this, &MpvControls::nextClicked);
    connect(m_mute, &QToolButton::toggled, this, &MpvControls::muteToggled);
    connect(m_volumeSlider, &QSlider::valueChanged, this, &MpvControls::volumeMoved);
    connect(m_tracker, &QSlider::valueChanged, this, [this](int value) {
        if (!m_settingTracker)
            Q_EMIT trackerMoved(value);
    });
}

QWidget* MpvControls::buildTracker()
{
    m_trackerRow = new QWidget(this);
    m_trackerRow->setObjectName(QStringLiteral("trackerRow"));
    auto* trackerLayout = new QHBoxLayout(m_trackerRow);
    trackerLayout->setContentsMargins(2, 0, 2, 0);
    trackerLayout->setSpacing(4);
    m_tracker = new QSlider(Qt::Horizontal, m_trackerRow);
    m_tracker->setObjectName(QStringLiteral("trackerSlider"));
    m_tracker->setAccessibleName(tr("Seek"));
    m_tracker->setAccessibleDescription(tr("Position in the playing clip"));
    m_tracker->setRange(0, 1000);
    m_tracker->setPageStep(50);
    m_trackerTime = new QLabel(m_trackerRow);
    m_trackerTime->setObjectName(QStringLiteral("trackerTime"));
    trackerLayout->addWidget(m_tracker, 1);
    trackerLayout->addWidget(m_trackerTime);
    return m_trackerRow;
}

QWidget* MpvControls::buildPanel()
{
    auto* panel = new QWidget(this);
    panel->setObjectName(QStringLiteral("controlPanel"));
    auto* panelLayout = new QHBoxLayout(panel);
    panelLayout->setContentsMargins(2, 0, 2, 0);
    panelLayout->setSpacing(0);
    auto button = [&](const char* name, QStyle::StandardPixmap icon, const QString& tip) {
        auto* b = new QToolButton(panel);
        b->setObjectName(QLatin1String(name));
        b->setIcon(style()->standardIcon(icon));
        b->setToolTip(tip);
        b->setAccessibleName(tip);
        b->setAutoRaise(true);
        b->setIconSize(QSize(16, 16));
        panelLayout->addWidget(b);
        return b;
    };
    m_playPause = button("playPauseButton", QStyle::SP_MediaPlay, tr("Play"));
    m_stop = button("stopButton", QStyle::SP_MediaStop, tr("Stop"));
    m_previous = button("previousButton", QStyle::SP_MediaSkipBackward, tr("Previous"));
    m_next = button("nextButton", QStyle::SP_MediaSkipForward, tr("Next"));
    panelLayout->addStretch(1);
    m_mute = button("muteButton", QStyle::SP_MediaVolume, tr("Mute"));
    m_mute->setCheckable(true);
    m_volumeSlider = new QSlider(Qt::Horizontal, panel);
    m_volumeSlider->setObjectName(QStringLiteral("volumeSlider"));
    m_volumeSlider->setRange(0, 100);
    m_volumeSlider->setValue(100);
    m_volumeSlider->setFixedWidth(56);
    m_volumeSlider->setToolTip(tr("Volume"));
    m_volumeSlider->setAccessibleName(tr("Volume"));
    panelLayout->addWidget(m_volumeSlider);
    return panel;
}

void MpvControls::setTrackerShown(bool on)
{
    m_trackerRow->setVisible(on);
}

void MpvControls::setStatusShown(bool on)
{
    m_status->setVisible(on);
}

void MpvControls::showIcons()
{
    // Icons change seldom, the time many times a second.
    const bool playing = m_playing;
    const bool muted = m_muted;
    const int icons = (playing ? 1 : 0) | (muted ? 2 : 0);
    if (icons == m_shownIcons)
        return;
    m_shownIcons = icons;
    m_playPause->setIcon(style()->standardIcon(playing ? QStyle::SP_MediaPause : QStyle::SP_MediaPlay));
    m_playPause->setToolTip(playing ? tr("Pause") : tr("Play"));
    m_playPause->setAccessibleName(m_playPause->toolTip());
    m_mute->setIcon(style()->standardIcon(muted ? QStyle::SP_MediaVolumeMuted : QStyle::SP_MediaVolume));
}

void MpvControls::showPlayback(bool active, bool playing, double position, double duration)
{
    m_playing = playing;
    showIcons();
    m_tracker->setEnabled(active && duration > 0);
    if (!m_tracker->isSliderDown()) { // the user's drag wins over the engine's position
        m_settingTracker = true;
        m_tracker->setValue(active && duration > 0 ? qRound(1000 * qBound(0.0, position / duration, 1.0))
                                                   : 0);
        m_settingTracker = false;
    }
    m_trackerTime->setText(formatTime(active ? position : 0) + QStringLiteral(" / ") +
                           formatTime(active ? duration : 0));
}

void MpvControls::showVolume(double volume, bool muted)
{
    m_muted = muted;
    showIcons();
    const QSignalBlocker muteBlock(m_mute);
    m_mute->setChecked(muted);
    const QSignalBlocker volumeBlock(m_volumeSlider);
    m_volumeSlider->setValue(qRound(volume));
}

void MpvControls::showStatus(const QString& text)
{
    m_status->setText(text);
}
