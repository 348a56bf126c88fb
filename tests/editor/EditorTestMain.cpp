// The editor's tests need a widget application; they run on the offscreen
// platform, also when listed at build time.

#include <QApplication>

#include <gtest/gtest.h>

namespace {

QtMessageHandler qtHandler = nullptr;

/// The offscreen platform says on every resize of a dock that it cannot
/// pass size hints on; everything else Qt says is shown.
void messages(QtMsgType type, const QMessageLogContext& context, const QString& text)
{
    if (!text.contains("propagateSizeHints"))
        qtHandler(type, context, text);
}

} // namespace

// Under the leak checker: Qt's offscreen platform keeps its screen objects
// until the process ends. Full stacks (its plugin does not keep frame
// pointers) let the one suppression name the plugin and nothing else.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libqoffscreen.so\n";
}
extern "C" const char* __asan_default_options()
{
    return "fast_unwind_on_malloc=0";
}

int main(int argc, char** argv)
{
    qtHandler = qInstallMessageHandler(messages);
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
