#pragma once

#include <QDBusAbstractAdaptor>
#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QMetaProperty>
#include <QStringList>
#include <QVariantMap>

class MediaSession;

// MPRIS 2: the desktop's media keys and panels see the player window through these two adaptors on
// one object at /org/mpris/MediaPlayer2. The session does the work; commands it does not take
// (before Go, after the end) are ignored, not answered with errors.

// org.mpris.MediaPlayer2: who we are.
class MprisRootAdaptor : public QDBusAbstractAdaptor
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2")
    Q_PROPERTY(bool CanQuit READ canQuit)
    Q_PROPERTY(bool CanRaise READ canRaise)
    Q_PROPERTY(bool HasTrackList READ hasTrackList)
    Q_PROPERTY(QString Identity READ identity)
    Q_PROPERTY(QStringList SupportedUriSchemes READ supportedUriSchemes)
    Q_PROPERTY(QStringList SupportedMimeTypes READ supportedMimeTypes)
public:
    MprisRootAdaptor(QObject* object, MediaSession& session);

    bool canQuit() const { return false; }
    bool canRaise() const { return true; }
    bool hasTrackList() const { return false; }
    QString identity() const;
    QStringList supportedUriSchemes() const { return {}; }
    QStringList supportedMimeTypes() const { return {}; }

public Q_SLOTS:
    void Raise();
    void Quit() {}

private:
    MediaSession& m_session;
};

// org.mpris.MediaPlayer2.Player: the controls and what they show.
class MprisPlayerAdaptor : public QDBusAbstractAdaptor
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2.Player")
    Q_PROPERTY(QString PlaybackStatus READ playbackStatus)
    Q_PROPERTY(double Rate READ rate WRITE setRate)
    Q_PROPERTY(QVariantMap Metadata READ metadata)
    Q_PROPERTY(double Volume READ volume WRITE setVolume)
    Q_PROPERTY(qlonglong Position READ position)
    Q_PROPERTY(double MinimumRate READ minimumRate)
    Q_PROPERTY(double MaximumRate READ maximumRate)
    Q_PROPERTY(bool CanGoNext READ canControl)
    Q_PROPERTY(bool CanGoPrevious READ canControl)
    Q_PROPERTY(bool CanPlay READ canControl)
    Q_PROPERTY(bool CanPause READ canControl)
    Q_PROPERTY(bool CanSeek READ canControl)
    Q_PROPERTY(bool CanControl READ canControlAlways)
public:
    MprisPlayerAdaptor(QObject* object, const QDBusConnection& bus, MediaSession& session);

    QString playbackStatus() const;
    double rate() const;
    // The rate belongs to the window's Speed box: a change asked from outside is not taken.
    void setRate(double) {}
    QVariantMap metadata() const;
    double volume() const;
    void setVolume(double volume);
    qlonglong position() const;
    double minimumRate() const;
    double maximumRate() const;
    bool canControl() const;
    bool canControlAlways() const { return true; }

public Q_SLOTS:
    void Next();
    void Previous();
    void Pause();
    void PlayPause();
    void Stop();
    void Play();
    void Seek(qlonglong offset);
    void SetPosition(const QDBusObjectPath& trackId, qlonglong position);
    void OpenUri(const QString&) {}

Q_SIGNALS:
    void Seeked(qlonglong position);

private:
    // Tells the bus which of the signalled properties changed since it was last told.
    void announce();
    QDBusObjectPath trackId() const;

    QDBusConnection m_bus;
    MediaSession& m_session;
    QVariantMap m_told;
    // A seek asked over the bus is reported with the first position after it.
    bool m_seekAsked = false;
    qlonglong m_positionAsked = 0;
};

// org.freedesktop.DBus.Properties for the adaptors beside it. Qt's own answers a value of the wrong
// type with "Internal error"; this one refuses it as invalid arguments and otherwise reads and
// writes the properties as Qt would. Its interface is Qt's standard one, so it adds nothing to the
// introspection data.
class MprisPropertiesAdaptor : public QDBusAbstractAdaptor
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.DBus.Properties")
    Q_CLASSINFO("D-Bus Introspection", "")
public:
    explicit MprisPropertiesAdaptor(QObject* object);

public Q_SLOTS:
    QDBusVariant Get(const QString& interfaceName, const QString& propertyName);
    QVariantMap GetAll(const QString& interfaceName);
    void Set(const QString& interfaceName, const QString& propertyName, const QDBusVariant& value);

private:
    // The adaptor of that interface beside this one; none for an interface we do not have.
    QDBusAbstractAdaptor* adaptor(const QString& interfaceName, const QString& propertyName) const;
    // The exported property of that name; an invalid one, the call refused, when there is none.
    QMetaProperty exported(QDBusAbstractAdaptor* adaptor, const QString& interfaceName,
                           const QString& name) const;
    // Refuses the call being answered. Qt gives an adaptor's call to the object that holds it.
    void refuse(QDBusError::ErrorType type, const QString& text) const;
};

// Puts a session on `bus` under org.mpris.MediaPlayer2.vidmarro (or, when a player holds that name
// already, a name of this process's own) until destroyed. Qt hands the calls its adaptors answer
// to it as their context.
class MprisService : public QObject, public QDBusContext
{
    Q_OBJECT
public:
    MprisService(const QDBusConnection& bus, MediaSession& session, QObject* parent = nullptr);
    ~MprisService() override;

private:
    QDBusConnection m_bus;
    QString m_service;
    bool m_registered = false;
};
