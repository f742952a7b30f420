#include <QApplication>
#include <clocale>

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    // Widget tests never need a display; test discovery runs without one too.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
