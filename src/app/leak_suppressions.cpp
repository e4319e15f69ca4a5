// LeakSanitizer (sanitizer builds) asks for this: the Firebird client keeps some allocations of its attach for
// the life of the process, which are not leaks of ours.
extern "C" const char* __lsan_default_suppressions();
extern "C" const char* __lsan_default_suppressions() { return "leak:libfbclient.so\nleak:libtommath.so\n"; }
