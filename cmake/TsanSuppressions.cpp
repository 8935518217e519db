// Qt is not built with ThreadSanitizer: its own worker threads (thread pool,
// font and image loading) look racy from outside. Races in our code still
// show. ThreadSanitizer asks every executable for these through this hook.
#if defined(__SANITIZE_THREAD__)
extern "C" const char* __tsan_default_suppressions()
{
    return "race:libQt6Core.so*\n"
           "race:libQt6Gui.so*\n"
           "race:libQt6Widgets.so*\n"
           "race:QThreadPoolPrivate\n"
           "race:QRunnable\n";
}
#endif
