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

int main(int argc, char** argv)
{
    qtHandler = qInstallMessageHandler(messages);
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
