// Linked into every test program: allocations that system libraries keep for the life of the
// process are not leaks of ours. Only third-party libraries belong here, never our own code.
//  - fontconfig keeps its configuration (releasing it with FcFini is not safe while another part
//    of the process may still use it);
//  - libdbus, which SDL's video start-up connects through, keeps its read buffer after SDL quits.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\nleak:libdbus-1.so\n"; }
