// libmpv, FluidSynth and GIO are opened on their first use instead of at program start. Between them
// they bring in some two hundred libraries, which would cost every start their loading and relocation
// (several times what a Qt window takes to show) and their memory, though most runs open no clip
// until the user has picked one. These definitions stand in for the libraries' own entry points and
// pass each call on; with a library missing, the calls fail the way the library reports a failure
// (no handle, an error code), so that a missing engine shows as "not installed" instead of the
// program failing to start.
#include <mpv/client.h>
#include <mpv/render.h>
#include <fluidsynth.h>
#include <gio/gio.h>

#include <dlfcn.h>

static_assert(MPV_CLIENT_API_VERSION >> 16 == 2, "the library name below follows the client API's major version");
static_assert(FLUIDSYNTH_VERSION_MAJOR == 2 && FLUIDSYNTH_VERSION_MINOR >= 2, "libfluidsynth.so.3 is FluidSynth 2.2 on");

namespace {

void* symbolOf(const char* library, void*& handle, bool& tried, const char* name)
{
    // Called under the function-local static initialisation of each caller, which serialises it
    // per symbol; dlopen itself is thread-safe and returns the same handle when it races.
    if (!tried) {
        handle = dlopen(library, RTLD_NOW | RTLD_LOCAL);
        tried = true;
    }
    return handle ? dlsym(handle, name) : nullptr;
}

void* mpvSymbol(const char* name)
{
    static void* handle = nullptr;
    static bool tried = false;
    return symbolOf("libmpv.so.2", handle, tried, name);
}

void* fluidSymbol(const char* name)
{
    static void* handle = nullptr;
    static bool tried = false;
    return symbolOf("libfluidsynth.so.3", handle, tried, name);
}

// GLib itself comes with Qt; GIO and GObject (which GIO loads) are only needed for file work.
void* gioSymbol(const char* name)
{
    static void* handle = nullptr;
    static bool tried = false;
    return symbolOf("libgio-2.0.so.0", handle, tried, name);
}

gboolean gioMissing(GError** error)
{
    g_set_error_literal(error, g_io_error_quark(), G_IO_ERROR_NOT_SUPPORTED, "The GIO library could not be loaded");
    return FALSE;
}

} // namespace

#define VM_RESOLVE(lib, name) static const auto real = reinterpret_cast<decltype(&name)>(lib##Symbol(#name))

extern "C" {

// ---- libmpv ----

mpv_handle* mpv_create(void)
{
    VM_RESOLVE(mpv, mpv_create);
    return real ? real() : nullptr;
}

int mpv_initialize(mpv_handle* ctx)
{
    VM_RESOLVE(mpv, mpv_initialize);
    return real ? real(ctx) : MPV_ERROR_UNINITIALIZED;
}

void mpv_terminate_destroy(mpv_handle* ctx)
{
    VM_RESOLVE(mpv, mpv_terminate_destroy);
    if (real)
        real(ctx);
}

int mpv_set_option_string(mpv_handle* ctx, const char* name, const char* data)
{
    VM_RESOLVE(mpv, mpv_set_option_string);
    return real ? real(ctx, name, data) : MPV_ERROR_UNINITIALIZED;
}

int mpv_set_property(mpv_handle* ctx, const char* name, mpv_format format, void* data)
{
    VM_RESOLVE(mpv, mpv_set_property);
    return real ? real(ctx, name, format, data) : MPV_ERROR_UNINITIALIZED;
}

int mpv_get_property(mpv_handle* ctx, const char* name, mpv_format format, void* data)
{
    VM_RESOLVE(mpv, mpv_get_property);
    return real ? real(ctx, name, format, data) : MPV_ERROR_UNINITIALIZED;
}

int mpv_set_property_string(mpv_handle* ctx, const char* name, const char* data)
{
    VM_RESOLVE(mpv, mpv_set_property_string);
    return real ? real(ctx, name, data) : MPV_ERROR_UNINITIALIZED;
}

char* mpv_get_property_string(mpv_handle* ctx, const char* name)
{
    VM_RESOLVE(mpv, mpv_get_property_string);
    return real ? real(ctx, name) : nullptr;
}

int mpv_observe_property(mpv_handle* mpv, uint64_t reply_userdata, const char* name, mpv_format format)
{
    VM_RESOLVE(mpv, mpv_observe_property);
    return real ? real(mpv, reply_userdata, name, format) : MPV_ERROR_UNINITIALIZED;
}

int mpv_command(mpv_handle* ctx, const char** args)
{
    VM_RESOLVE(mpv, mpv_command);
    return real ? real(ctx, args) : MPV_ERROR_UNINITIALIZED;
}

int mpv_command_ret(mpv_handle* ctx, const char** args, mpv_node* result)
{
    VM_RESOLVE(mpv, mpv_command_ret);
    return real ? real(ctx, args, result) : MPV_ERROR_UNINITIALIZED;
}

void mpv_free(void* data)
{
    VM_RESOLVE(mpv, mpv_free);
    if (real)
        real(data);
}

void mpv_free_node_contents(mpv_node* node)
{
    VM_RESOLVE(mpv, mpv_free_node_contents);
    if (real)
        real(node);
}

int mpv_hook_add(mpv_handle* ctx, uint64_t reply_userdata, const char* name, int priority)
{
    VM_RESOLVE(mpv, mpv_hook_add);
    return real ? real(ctx, reply_userdata, name, priority) : MPV_ERROR_UNINITIALIZED;
}

int mpv_hook_continue(mpv_handle* ctx, uint64_t id)
{
    VM_RESOLVE(mpv, mpv_hook_continue);
    return real ? real(ctx, id) : MPV_ERROR_UNINITIALIZED;
}

void mpv_set_wakeup_callback(mpv_handle* ctx, void (*cb)(void* d), void* d)
{
    VM_RESOLVE(mpv, mpv_set_wakeup_callback);
    if (real)
        real(ctx, cb, d);
}

mpv_event* mpv_wait_event(mpv_handle* ctx, double timeout)
{
    VM_RESOLVE(mpv, mpv_wait_event);
    static mpv_event none{};
    return real ? real(ctx, timeout) : &none;
}

int mpv_render_context_create(mpv_render_context** res, mpv_handle* mpv, mpv_render_param* params)
{
    VM_RESOLVE(mpv, mpv_render_context_create);
    return real ? real(res, mpv, params) : MPV_ERROR_UNINITIALIZED;
}

void mpv_render_context_free(mpv_render_context* ctx)
{
    VM_RESOLVE(mpv, mpv_render_context_free);
    if (real)
        real(ctx);
}

int mpv_render_context_render(mpv_render_context* ctx, mpv_render_param* params)
{
    VM_RESOLVE(mpv, mpv_render_context_render);
    return real ? real(ctx, params) : MPV_ERROR_UNINITIALIZED;
}

void mpv_render_context_set_update_callback(mpv_render_context* ctx, mpv_render_update_fn callback,
                                            void* callback_ctx)
{
    VM_RESOLVE(mpv, mpv_render_context_set_update_callback);
    if (real)
        real(ctx, callback, callback_ctx);
}

uint64_t mpv_render_context_update(mpv_render_context* ctx)
{
    VM_RESOLVE(mpv, mpv_render_context_update);
    return real ? real(ctx) : 0;
}

// ---- FluidSynth ----

fluid_log_function_t fluid_set_log_function(int level, fluid_log_function_t fun, void* data)
{
    VM_RESOLVE(fluid, fluid_set_log_function);
    return real ? real(level, fun, data) : nullptr;
}

fluid_settings_t* new_fluid_settings(void)
{
    VM_RESOLVE(fluid, new_fluid_settings);
    return real ? real() : nullptr;
}

void delete_fluid_settings(fluid_settings_t* settings)
{
    VM_RESOLVE(fluid, delete_fluid_settings);
    if (real)
        real(settings);
}

int fluid_settings_setnum(fluid_settings_t* settings, const char* name, double val)
{
    VM_RESOLVE(fluid, fluid_settings_setnum);
    return real ? real(settings, name, val) : FLUID_FAILED;
}

int fluid_settings_setint(fluid_settings_t* settings, const char* name, int val)
{
    VM_RESOLVE(fluid, fluid_settings_setint);
    return real ? real(settings, name, val) : FLUID_FAILED;
}

int fluid_settings_setstr(fluid_settings_t* settings, const char* name, const char* str)
{
    VM_RESOLVE(fluid, fluid_settings_setstr);
    return real ? real(settings, name, str) : FLUID_FAILED;
}

fluid_synth_t* new_fluid_synth(fluid_settings_t* settings)
{
    VM_RESOLVE(fluid, new_fluid_synth);
    return real ? real(settings) : nullptr;
}

void delete_fluid_synth(fluid_synth_t* synth)
{
    VM_RESOLVE(fluid, delete_fluid_synth);
    if (real)
        real(synth);
}

int fluid_synth_sfload(fluid_synth_t* synth, const char* filename, int reset_presets)
{
    VM_RESOLVE(fluid, fluid_synth_sfload);
    return real ? real(synth, filename, reset_presets) : FLUID_FAILED;
}

fluid_player_t* new_fluid_player(fluid_synth_t* synth)
{
    VM_RESOLVE(fluid, new_fluid_player);
    return real ? real(synth) : nullptr;
}

void delete_fluid_player(fluid_player_t* player)
{
    VM_RESOLVE(fluid, delete_fluid_player);
    if (real)
        real(player);
}

int fluid_player_add(fluid_player_t* player, const char* midifile)
{
    VM_RESOLVE(fluid, fluid_player_add);
    return real ? real(player, midifile) : FLUID_FAILED;
}

int fluid_player_play(fluid_player_t* player)
{
    VM_RESOLVE(fluid, fluid_player_play);
    return real ? real(player) : FLUID_FAILED;
}

int fluid_player_stop(fluid_player_t* player)
{
    VM_RESOLVE(fluid, fluid_player_stop);
    return real ? real(player) : FLUID_FAILED;
}

int fluid_player_get_status(fluid_player_t* player)
{
    VM_RESOLVE(fluid, fluid_player_get_status);
    return real ? real(player) : FLUID_PLAYER_DONE;
}

fluid_file_renderer_t* new_fluid_file_renderer(fluid_synth_t* synth)
{
    VM_RESOLVE(fluid, new_fluid_file_renderer);
    return real ? real(synth) : nullptr;
}

void delete_fluid_file_renderer(fluid_file_renderer_t* dev)
{
    VM_RESOLVE(fluid, delete_fluid_file_renderer);
    if (real)
        real(dev);
}

int fluid_file_renderer_process_block(fluid_file_renderer_t* dev)
{
    VM_RESOLVE(fluid, fluid_file_renderer_process_block);
    return real ? real(dev) : FLUID_FAILED;
}

// ---- GIO ----

// The same quark GIO registers, so errors match whether or not the library is loaded yet.
GQuark g_io_error_quark(void)
{
    return g_quark_from_static_string("g-io-error-quark");
}

void g_object_unref(gpointer object)
{
    VM_RESOLVE(gio, g_object_unref);
    if (real)
        real(object);
}

GCancellable* g_cancellable_new(void)
{
    VM_RESOLVE(gio, g_cancellable_new);
    return real ? real() : nullptr;
}

void g_cancellable_cancel(GCancellable* cancellable)
{
    VM_RESOLVE(gio, g_cancellable_cancel);
    if (real)
        real(cancellable);
}

gboolean g_cancellable_is_cancelled(GCancellable* cancellable)
{
    VM_RESOLVE(gio, g_cancellable_is_cancelled);
    return real ? real(cancellable) : FALSE;
}

GFile* g_file_new_for_path(const char* path)
{
    VM_RESOLVE(gio, g_file_new_for_path);
    return real ? real(path) : nullptr;
}

gboolean g_file_trash(GFile* file, GCancellable* cancellable, GError** error)
{
    VM_RESOLVE(gio, g_file_trash);
    return real ? real(file, cancellable, error) : gioMissing(error);
}

gboolean g_file_delete(GFile* file, GCancellable* cancellable, GError** error)
{
    VM_RESOLVE(gio, g_file_delete);
    return real ? real(file, cancellable, error) : gioMissing(error);
}

gboolean g_file_make_directory_with_parents(GFile* file, GCancellable* cancellable, GError** error)
{
    VM_RESOLVE(gio, g_file_make_directory_with_parents);
    return real ? real(file, cancellable, error) : gioMissing(error);
}

gboolean g_file_copy(GFile* source, GFile* destination, GFileCopyFlags flags, GCancellable* cancellable,
                     GFileProgressCallback progress_callback, gpointer progress_callback_data, GError** error)
{
    VM_RESOLVE(gio, g_file_copy);
    return real ? real(source, destination, flags, cancellable, progress_callback, progress_callback_data, error)
                : gioMissing(error);
}

gboolean g_file_move(GFile* source, GFile* destination, GFileCopyFlags flags, GCancellable* cancellable,
                     GFileProgressCallback progress_callback, gpointer progress_callback_data, GError** error)
{
    VM_RESOLVE(gio, g_file_move);
    return real ? real(source, destination, flags, cancellable, progress_callback, progress_callback_data, error)
                : gioMissing(error);
}

} // extern "C"
