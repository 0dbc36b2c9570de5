// Preloaded into the sanitizer runs: keeps Mesa's DRI drivers mapped until the process ends.
// GLUT closes the display from an exit handler, which unloads the driver before
// LeakSanitizer looks; the driver's own leaks would then have no module name, and
// tests/sanitize/lsan.supp could not suppress them by library. Any other dlclose goes through.
#include <dlfcn.h>
#include <link.h>

#include <cstring>

namespace {

bool is_dri_driver(void* handle) {
    link_map* map = nullptr;
    if (handle == nullptr || dlinfo(handle, RTLD_DI_LINKMAP, &map) != 0 || map == nullptr ||
        map->l_name == nullptr) {
        return false;
    }
    const char* name = map->l_name;
    const size_t length = std::strlen(name);
    const char suffix[] = "_dri.so";
    return std::strstr(name, "/dri/") != nullptr && length >= sizeof suffix - 1 &&
           std::strcmp(name + length - (sizeof suffix - 1), suffix) == 0;
}

} // namespace

extern "C" int dlclose(void* handle) {
    using CloseFunction = int (*)(void*);
    static const CloseFunction real = reinterpret_cast<CloseFunction>(dlsym(RTLD_NEXT, "dlclose"));
    if (is_dri_driver(handle)) {
        return 0; // stays loaded: unloaded anyway when the process ends
    }
    return real(handle);
}
