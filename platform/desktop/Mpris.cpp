#include "platform/desktop/Mpris.h"

#include "platform/desktop/MediaSession.h"

#include <QCoreApplication>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QMetaProperty>

#include <cmath>

namespace {

const QString ObjectPath = QStringLiteral("/org/mpris/MediaPlayer2");
const QString PlayerInterface = QStringLiteral("org.mpris.MediaPlayer2.Player");
const QString ServiceName = QStringLiteral("org.mpris.MediaPlayer2.vidmarro");
const QString NoTrack = QStringLiteral("/org/mpris/MediaPlayer2/TrackList/NoTrack");

} // namespace

// --- org.mpris.MediaPlayer2 ---

MprisRootAdaptor::MprisRootAdaptor(QObject* object, MediaSession& session)
    : QDBusAbstractAdaptor(object), m_session(session)
{
}

QString MprisRootAdaptor::identity() const
{
    return QCoreApplication::applicationName();
}

void MprisRootAdaptor::Raise()
{
    m_session.raise();
}

// --- org.mpris.MediaPlayer2.Player ---

MprisPlayerAdaptor::MprisPlayerAdaptor(QObject* object, const QDBusConnection& bus, MediaSession& session)
    : QDBusAbstractAdaptor(object), m_bus(bus), m_session(session)
{
    connect(&session, &MediaSession::changed, this, &MprisPlayerAdaptor::announce);
    announce();
}

QString MprisPlayerAdaptor::playbackStatus() const
{
    if (!m_session.active())
        return QStringLiteral("Stopped");
    switch (m_session.status()) {
    case MediaSession::Status::Playing:
        return QStringLiteral("Playing");
    case MediaSession::Status::Paused:
        return QStringLiteral("Paused");
    case MediaSession::Status::Stopped:
        break;
    }
    return QStringLiteral("Stopped");
}

double MprisPlayerAdaptor::rate() const
{
    return m_session.rate();
}

double MprisPlayerAdaptor::minimumRate() const
{
    return m_session.minimumRate();
}

double MprisPlayerAdaptor::maximumRate() const
{
    return m_session.maximumRate();
}

QDBusObjectPath MprisPlayerAdaptor::trackId() const
{
    const int entry = m_session.active() ? m_session.entry() : 0;
    if (entry <= 0)
        return QDBusObjectPath(NoTrack);
    return QDBusObjectPath(QStringLiteral("/vidmarro/entry/%1").arg(entry));
}

QVariantMap MprisPlayerAdaptor::metadata() const
{
    QVariantMap map{{QStringLiteral("mpris:trackid"), QVariant::fromValue(trackId())}};
    if (!m_session.active() || m_session.entry() <= 0)
        return map;
    map.insert(QStringLiteral("xesam:title"), m_session.title());
    const qlonglong length = m_session.length();
    if (length > 0)
        map.insert(QStringLiteral("mpris:length"), length);
    return map;
}

double MprisPlayerAdaptor::volume() const
{
    return m_session.volume();
}

void MprisPlayerAdaptor::setVolume(double volume)
{
    // NaN is no volume at all: clamped, it would mute.
    if (m_session.active() && !std::isnan(volume))
        m_session.setVolume(qBound(0.0, volume, 1.0));
}

qlonglong MprisPlayerAdaptor::position() const
{
    return m_session.active() ? m_session.position() : 0;
}

bool MprisPlayerAdaptor::canControl() const
{
    return m_session.active();
}

void MprisPlayerAdaptor::Next()
{
    if (m_session.active())
        m_session.next();
}

void MprisPlayerAdaptor::Previous()
{
    if (m_session.active())
        m_session.previous();
}

void MprisPlayerAdaptor::Pause()
{
    if (m_session.active())
        m_session.pause();
}

void MprisPlayerAdaptor::PlayPause()
{
    if (m_session.active())
        m_session.playPause();
}

void MprisPlayerAdaptor::Stop()
{
    if (m_session.active())
        m_session.stop();
}

void MprisPlayerAdaptor::Play()
{
    if (m_session.active())
        m_session.play();
}

void MprisPlayerAdaptor::Seek(qlonglong offset)
{
    if (!m_session.active() || m_session.entry() <= 0)
        return;
    m_seekAsked = true;
    m_positionAsked = m_session.position();
    m_session.seekBy(offset);
}

void MprisPlayerAdaptor::SetPosition(const QDBusObjectPath& trackId, qlonglong position)
{
    // A position for another track than the one playing is stale: ignored, as the interface asks.
    if (!m_session.active() || trackId != this->trackId() || position < 0 || position > m_session.length())
        return;
    Seek(position - m_session.position());
}

void MprisPlayerAdaptor::announce()
{
    const QVariantMap now{
        {QStringLiteral("PlaybackStatus"), playbackStatus()},
        {QStringLiteral("Metadata"), metadata()},
        {QStringLiteral("Volume"), volume()},
        {QStringLiteral("Rate"), rate()},
        {QStringLiteral("CanGoNext"), canControl()},
        {QStringLiteral("CanGoPrevious"), canControl()},
        {QStringLiteral("CanPlay"), canControl()},
        {QStringLiteral("CanPause"), canControl()},
        {QStringLiteral("CanSeek"), canControl()},
    };
    QVariantMap changed;
    for (auto it = now.cbegin(); it != now.cend(); ++it) {
        if (m_told.value(it.key()) != it.value())
            changed.insert(it.key(), it.value());
    }
    const bool first = m_told.isEmpty();
    m_told = now;
    if (!first && !changed.isEmpty()) {
        QDBusMessage signal =
            QDBusMessage::createSignal(ObjectPath, QStringLiteral("org.freedesktop.DBus.Properties"),
                                       QStringLiteral("PropertiesChanged"));
        signal << PlayerInterface << changed << QStringList();
        m_bus.send(signal);
    }
    // Position is read, not signalled; a jump asked for over the bus is told once it happened.
    if (m_seekAsked && m_session.position() != m_positionAsked) {
        m_seekAsked = false;
        Q_EMIT Seeked(m_session.position());
    }
}

// --- org.freedesktop.DBus.Properties ---

MprisPropertiesAdaptor::MprisPropertiesAdaptor(QObject* object) : QDBusAbstractAdaptor(object) {}

QDBusAbstractAdaptor* MprisPropertiesAdaptor::adaptor(const QString& interfaceName,
                                                      const QString& propertyName) const
{
    for (auto* a : parent()->findChildren<QDBusAbstractAdaptor*>(Qt::FindDirectChildrenOnly)) {
        const QMetaObject* mo = a->metaObject();
        const int info = mo->indexOfClassInfo("D-Bus Interface");
        if (a == this || info < 0)
            continue;
        // No interface named: the first that has the property, as the bus allows.
        if (interfaceName.isEmpty() ? mo->indexOfProperty(propertyName.toUtf8().constData()) >= 0
                                    : interfaceName == QLatin1String(mo->classInfo(info).value()))
            return a;
    }
    return nullptr;
}

void MprisPropertiesAdaptor::refuse(QDBusError::ErrorType type, const QString& text) const
{
    if (const auto* context = dynamic_cast<const QDBusContext*>(parent());
        context && context->calledFromDBus())
        context->sendErrorReply(type, text);
}

QMetaProperty MprisPropertiesAdaptor::exported(QDBusAbstractAdaptor* adaptor, const QString& interfaceName,
                                               const QString& name) const
{
    if (!adaptor) {
        refuse(QDBusError::UnknownInterface, QStringLiteral("Interface %1 was not found").arg(interfaceName));
        return {};
    }
    const QMetaObject* mo = adaptor->metaObject();
    const int index = mo->indexOfProperty(name.toUtf8().constData());
    if (index < QDBusAbstractAdaptor::staticMetaObject.propertyCount()) {
        refuse(QDBusError::UnknownProperty,
               QStringLiteral("Property %1.%2 was not found").arg(interfaceName, name));
        return {};
    }
    return mo->property(index);
}

QDBusVariant MprisPropertiesAdaptor::Get(const QString& interfaceName, const QString& propertyName)
{
    QDBusAbstractAdaptor* a = adaptor(interfaceName, propertyName);
    const QMetaProperty p = exported(a, interfaceName, propertyName);
    return p.isValid() ? QDBusVariant(p.read(a)) : QDBusVariant();
}

QVariantMap MprisPropertiesAdaptor::GetAll(const QString& interfaceName)
{
    QVariantMap all;
    bool found = false;
    for (auto* a : parent()->findChildren<QDBusAbstractAdaptor*>(Qt::FindDirectChildrenOnly)) {
        if (a == this || (!interfaceName.isEmpty() && a != adaptor(interfaceName, {})))
            continue;
        found = true;
        const QMetaObject* mo = a->metaObject();
        for (int i = QDBusAbstractAdaptor::staticMetaObject.propertyCount(); i < mo->propertyCount(); ++i)
            all.insert(QString::fromLatin1(mo->property(i).name()), mo->property(i).read(a));
    }
    if (!found)
        refuse(QDBusError::UnknownInterface, QStringLiteral("Interface %1 was not found").arg(interfaceName));
    return all;
}

void MprisPropertiesAdaptor::Set(const QString& interfaceName, const QString& propertyName,
                                 const QDBusVariant& value)
{
    QDBusAbstractAdaptor* a = adaptor(interfaceName, propertyName);
    const QMetaProperty p = exported(a, interfaceName, propertyName);
    if (!p.isValid())
        return;
    if (!p.isWritable()) {
        refuse(QDBusError::PropertyReadOnly,
               QStringLiteral("Property %1.%2 is read-only").arg(interfaceName, propertyName));
        return;
    }
    // Exactly the type the interface gives, as the bus's rules ask: no guessing from a string.
    if (value.variant().metaType() != p.metaType()) {
        refuse(QDBusError::InvalidArgs,
               QStringLiteral("Property %1.%2 takes a value of type %3")
                   .arg(interfaceName, propertyName,
                        QString::fromLatin1(QDBusMetaType::typeToSignature(p.metaType()))));
        return;
    }
    p.write(a, value.variant());
}

// --- the service ---

MprisService::MprisService(const QDBusConnection& bus, MediaSession& session, QObject* parent)
    : QObject(parent), m_bus(bus)
{
    new MprisRootAdaptor(this, session);
    new MprisPlayerAdaptor(this, m_bus, session);
    new MprisPropertiesAdaptor(this);
    if (!m_bus.isConnected())
        return;
    m_registered = m_bus.registerObject(ObjectPath, this, QDBusConnection::ExportAdaptors);
    if (!m_registered)
        return;
    // Another player of this name (a copy run under another runtime folder): the interface's
    // convention of a name per instance.
    for (const QString& name : {ServiceName, ServiceName + QStringLiteral(".instance") +
                                                 QString::number(QCoreApplication::applicationPid())}) {
        if (m_bus.registerService(name)) {
            m_service = name;
            break;
        }
    }
}

MprisService::~MprisService()
{
    if (!m_service.isEmpty())
        m_bus.unregisterService(m_service);
    if (m_registered)
        m_bus.unregisterObject(ObjectPath);
}
