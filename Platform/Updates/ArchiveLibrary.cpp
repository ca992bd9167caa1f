#include "Platform/Updates/ArchiveLibrary.h"

#include <dlfcn.h>

namespace {

// The soname of the Debian 12 package (libarchive13) the Debian package depends on.
constexpr const char* installedName = "libarchive.so.13";

} // namespace

bool ArchiveLibrary::open(const char* fileName, ArchiveLibrary& library, QString* error)
{
    void* handle = ::dlopen(fileName, RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        if (error) {
            const char* reason = ::dlerror();
            *error = QStringLiteral("the archive library %1 cannot be loaded: %2")
                         .arg(QString::fromLocal8Bit(fileName), QString::fromLocal8Bit(reason ? reason : "not found"));
        }
        return false;
    }
    ArchiveLibrary bound;
    const char* missing = nullptr;
#define VANTOR_ARCHIVE_BIND(name)                                                                                      \
    if (!missing) {                                                                                                    \
        bound.name = reinterpret_cast<decltype(&::name)>(::dlsym(handle, #name));                                      \
        if (!bound.name)                                                                                               \
            missing = #name;                                                                                           \
    }
    VANTOR_ARCHIVE_FUNCTIONS(VANTOR_ARCHIVE_BIND)
#undef VANTOR_ARCHIVE_BIND
    if (missing) {
        if (error)
            *error = QStringLiteral("the archive library %1 lacks %2")
                         .arg(QString::fromLocal8Bit(fileName), QString::fromLatin1(missing));
        ::dlclose(handle);
        return false;
    }
    // The handle stays open for the rest of the process: the pointers lead into it.
    library = bound;
    return true;
}

const ArchiveLibrary* ArchiveLibrary::instance(QString* error)
{
    struct Loaded {
        ArchiveLibrary library;
        QString error;
        bool ok = false;
    };
    // Made once, by whichever thread asks first; C++ makes the others wait for it.
    static const Loaded loaded = [] {
        Loaded result;
        result.ok = open(installedName, result.library, &result.error);
        return result;
    }();
    if (!loaded.ok && error)
        *error = loaded.error;
    return loaded.ok ? &loaded.library : nullptr;
}
