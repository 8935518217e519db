// Reports that belong to libraries we do not build, asked for by the
// sanitizers through these hooks in every executable. Our own code's races
// and leaks still show.

// GCC says which sanitizer is on through __SANITIZE_*__, clang 14 only
// through __has_feature.
#if defined(__SANITIZE_THREAD__)
#define ZQ735_TSAN_ON 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define ZQ735_TSAN_ON 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define ZQ735_ASAN_ON 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define ZQ735_ASAN_ON 1
#endif
#endif
#if defined(ZQ735_TSAN_ON)
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

#if defined(ZQ735_ASAN_ON)
// fontconfig keeps its caches for the life of the process.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libfontconfig.so\n";
}
#endif
