// Leaks of third-party libraries that LeakSanitizer must not count against this program. Linked
// into the sanitizer builds of every program that reads image files (ombrel-host, the render
// tests, the benchmarks); LeakSanitizer reads the list through this hook at start-up.
//
// OpenImageIO (libOpenImageIO, its PNG reader, seen with 2.4): when a PNG file ends early, the
// reader's read callback PNGInput::PngReadCallback builds its error text in a std::string and
// then calls png_error, which longjmps out of the callback, so the string is never freed
// (62 bytes for a truncated 64 × 1 file). The host reports the file as unreadable and goes on.
// It now refuses a cut-short PNG from its chunk layout before the library reads it
// (image_library_png.cpp), so the library meets one only when the file shrinks in between.
// The sanitizer's fast unwinding records only the innermost frames of an allocation, which end
// in the library's ImageInput::geterror, so that is the frame named; with full unwinding
// (fast_unwind_on_malloc=0) the callback itself matches.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:OpenImageIO*ImageInput::geterror\n"
         "leak:OpenImageIO*PNGInput::PngReadCallback\n";
}

// LeakSanitizer's scan of dynamic thread-local storage. With the image library opened late, the
// main thread's TLS blocks of that library's dependencies are allocated by glibc with malloc on
// first access. The runtime of GCC 12 records each block's bounds in its __tls_get_addr hook by
// a guess meant for glibc 2.19: a block that starts 16 bytes into a page is taken to follow a
// glibc header {start, size}, which is read from the 16 bytes before it. With malloc's blocks
// that is the allocator's own chunk header, so about 1 run in 20 to 100 (wherever the heap puts
// the block) the leak check at exit scans a made-up range ("DTLS 6 at 0x3681-0x2100004783"),
// and its tracer thread dies of SIGSEGV: "Tracer caught signal 11 ... LeakSanitizer has
// encountered a fatal error", after every step of the session passed. Without the hook the
// blocks are still scanned, as heap blocks reached from the thread's DTV, whose pointer sits in
// the static TLS the check reads. Later runtimes ask the allocator for the bounds instead. An
// ASAN_OPTIONS given at run time still wins.
extern "C" const char* __asan_default_options() { return "intercept_tls_get_addr=0"; }
