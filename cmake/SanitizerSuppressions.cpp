// Reports that belong to libraries we do not build, asked for by the
// sanitizers through these hooks in every executable. Our own code's races
// and leaks still show.
#if defined(__SANITIZE_THREAD__)
// Qt is not built with ThreadSanitizer: its own worker threads (thread pool,
// font and image loading) look racy from outside.
extern "C" const char* __tsan_default_suppressions()
{
    return "race:libQt6Core.so*\n"
           "race:libQt6Gui.so*\n"
           "race:libQt6Widgets.so*\n"
           "race:QThreadPoolPrivate\n"
           "race:QRunnable\n";
}
#endif

#if defined(__SANITIZE_ADDRESS__)
// fontconfig keeps its caches for the life of the process.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libfontconfig.so\n";
}
#endif
