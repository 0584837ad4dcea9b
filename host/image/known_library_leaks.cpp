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
