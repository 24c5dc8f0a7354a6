// Painting text initialises fontconfig, whose process-wide caches live until exit by design.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }
