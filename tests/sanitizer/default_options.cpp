// Linked into every program of the sanitizer build: the options the
// sanitizers start with, so tests, scripts and fuzzers need no environment.
// Any ASAN_OPTIONS, UBSAN_OPTIONS or LSAN_OPTIONS given still win.

extern "C" const char* __asan_default_options() {
    // Leaks fail the run; a fault ends it with a report and exit code 1.
    return "detect_leaks=1:abort_on_error=0:strict_init_order=1:detect_stack_use_after_return=0";
}

extern "C" const char* __ubsan_default_options() {
    return "print_stacktrace=1:halt_on_error=1";
}

// Memory that system libraries keep for the life of the process on purpose
// (the GL driver, X and font caches, the sound server's client); not ours.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libGLX_mesa.so\n"
           "leak:libgallium\n"
           "leak:swrast_dri.so\n"
           "leak:libLLVM\n"
           "leak:libX11.so\n"
           "leak:libdbus-1.so\n"
           "leak:libfontconfig.so\n"
           "leak:libopenal.so\n"
           "leak:libasound.so\n";
}

// Libraries opened at run time (the GL driver, the sound back ends) stay
// loaded, so a leak report names the library that made the allocation
// instead of an unknown module, and the suppressions above can match it.
extern "C" int dlclose(void*) {
    return 0;
}
