// GIO is opened on its first use instead of at program start: it and GObject would cost every start
// their loading, though most runs move no file. These definitions stand in for the library's own
// entry points and pass each call on; with the library missing, the calls fail the way GIO reports a
// failure. (The media engine and the synthesiser come in a module of ours instead: EngineModule.)
#include <gio/gio.h>

#include <dlfcn.h>

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
