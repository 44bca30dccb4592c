#include "platform/desktop/WaylandToken.h"

#include <QGuiApplication>
#include <QLibrary>

#include <wayland-client-core.h>

namespace {

// libwayland-client's calls, taken from the library that Qt's Wayland platform has loaded: the
// program does not link it, since only a Wayland session needs it.
struct Wayland
{
    decltype(&wl_display_connect) connect = nullptr;
    decltype(&wl_display_disconnect) disconnect = nullptr;
    decltype(&wl_display_roundtrip) roundtrip = nullptr;
    decltype(&wl_proxy_marshal_constructor) create = nullptr;
    decltype(&wl_proxy_marshal_constructor_versioned) bind = nullptr;
    decltype(&wl_proxy_marshal) marshal = nullptr;
    decltype(&wl_proxy_add_listener) listen = nullptr;
    decltype(&wl_proxy_destroy) destroy = nullptr;
    const wl_interface* registry = nullptr;

    bool loaded() const
    {
        return connect && disconnect && roundtrip && create && bind && marshal && listen && destroy &&
               registry;
    }
};

const Wayland& wayland()
{
    static const Wayland calls = [] {
        QLibrary lib(QStringLiteral("wayland-client"), 0);
        Wayland w;
        w.connect = reinterpret_cast<decltype(w.connect)>(lib.resolve("wl_display_connect"));
        w.disconnect = reinterpret_cast<decltype(w.disconnect)>(lib.resolve("wl_display_disconnect"));
        w.roundtrip = reinterpret_cast<decltype(w.roundtrip)>(lib.resolve("wl_display_roundtrip"));
        w.create = reinterpret_cast<decltype(w.create)>(lib.resolve("wl_proxy_marshal_constructor"));
        w.bind = reinterpret_cast<decltype(w.bind)>(lib.resolve("wl_proxy_marshal_constructor_versioned"));
        w.marshal = reinterpret_cast<decltype(w.marshal)>(lib.resolve("wl_proxy_marshal"));
        w.listen = reinterpret_cast<decltype(w.listen)>(lib.resolve("wl_proxy_add_listener"));
        w.destroy = reinterpret_cast<decltype(w.destroy)>(lib.resolve("wl_proxy_destroy"));
        w.registry = reinterpret_cast<const wl_interface*>(lib.resolve("wl_registry_interface"));
        return w;
    }();
    return calls;
}

// xdg_activation_v1 and its token, as far as used here; the protocol is stable.
const wl_interface* NoTypes[] = {nullptr, nullptr};
extern const wl_interface TokenInterface;
const wl_interface* TokenType[] = {&TokenInterface};
const wl_message TokenRequests[] = {
    {"set_serial", "uo", NoTypes}, {"set_app_id", "s", NoTypes}, {"set_surface", "o", NoTypes},
    {"commit", "", NoTypes},       {"destroy", "", NoTypes},
};
const wl_message TokenEvents[] = {{"done", "s", NoTypes}};
const wl_interface TokenInterface = {"xdg_activation_token_v1", 1, 5, TokenRequests, 1, TokenEvents};
const wl_message ActivationRequests[] = {
    {"destroy", "", NoTypes}, {"get_activation_token", "n", TokenType}, {"activate", "so", NoTypes}};
const wl_interface ActivationInterface = {"xdg_activation_v1", 1, 3, ActivationRequests, 0, nullptr};
enum : uint32_t
{
    DisplayGetRegistry = 1,
    RegistryBind = 0,
    ActivationDestroy = 0,
    ActivationGetToken = 1,
    TokenSetAppId = 1,
    TokenCommit = 3,
    TokenDestroy = 4,
};

struct Found
{
    uint32_t activation = 0;
    QString token;
};

void global(void* data, wl_proxy*, uint32_t name, const char* interface, uint32_t)
{
    if (qstrcmp(interface, ActivationInterface.name) == 0)
        static_cast<Found*>(data)->activation = name;
}

void globalRemove(void*, wl_proxy*, uint32_t) {}

void done(void* data, wl_proxy*, const char* token)
{
    static_cast<Found*>(data)->token = QString::fromUtf8(token);
}

struct RegistryListener
{
    void (*global)(void*, wl_proxy*, uint32_t, const char*, uint32_t);
    void (*globalRemove)(void*, wl_proxy*, uint32_t);
};
const RegistryListener Registry = {global, globalRemove};

struct TokenListener
{
    void (*done)(void*, wl_proxy*, const char*);
};
const TokenListener Token = {done};

} // namespace

QString ownActivationToken()
{
    if (!QGuiApplication::platformName().startsWith(QLatin1String("wayland")))
        return {};
    const Wayland& w = wayland();
    if (!w.loaded())
        return {};
    // A connection of its own, to the compositor Qt speaks to: a token is not tied to one.
    wl_display* display = w.connect(nullptr);
    if (!display)
        return {};
    Found found;
    wl_proxy* registry =
        w.create(reinterpret_cast<wl_proxy*>(display), DisplayGetRegistry, w.registry, nullptr);
    w.listen(registry, reinterpret_cast<void (**)()>(const_cast<RegistryListener*>(&Registry)), &found);
    w.roundtrip(display);
    if (found.activation) {
        wl_proxy* activation = w.bind(registry, RegistryBind, &ActivationInterface, 1, found.activation,
                                      ActivationInterface.name, 1u, nullptr);
        wl_proxy* token = w.create(activation, ActivationGetToken, &TokenInterface, nullptr);
        w.listen(token, reinterpret_cast<void (**)()>(const_cast<TokenListener*>(&Token)), &found);
        w.marshal(token, TokenSetAppId, QGuiApplication::desktopFileName().toUtf8().constData());
        w.marshal(token, TokenCommit);
        // The compositor answers a commit at once.
        w.roundtrip(display);
        w.marshal(token, TokenDestroy);
        w.destroy(token);
        w.marshal(activation, ActivationDestroy);
        w.destroy(activation);
    }
    w.destroy(registry);
    w.disconnect(display);
    return found.token;
}
