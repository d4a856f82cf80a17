// The baseline of the options window's start-up: a plain Qt program, linked
// with Qt Widgets only, showing one window of the options window's size with
// the given number of widgets. Prints the milliseconds from spawnedAt (a
// CLOCK_MONOTONIC time in nanoseconds) to the window shown and idle.
//
// Usage: options_bare_window SPAWNED_AT_NS WIDGETS

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <cstdio>
#include <cstdlib>
#include <ctime>

int main(int argc, char** argv)
{
    if (argc < 3)
        return 2;
    const long long spawnedAt = std::atoll(argv[1]);
    const int widgets = std::atoi(argv[2]);
    QApplication app(argc, argv);
    QWidget window;
    window.resize(378, 457);
    for (int i = 1; i < widgets; ++i) {
        QWidget* child = nullptr;
        switch (i % 4) {
        case 0:
            child = new QLabel(QStringLiteral("label"), &window);
            break;
        case 1:
            child = new QLineEdit(QStringLiteral("text"), &window);
            break;
        case 2:
            child = new QCheckBox(QStringLiteral("check"), &window);
            break;
        default:
            child = new QPushButton(QStringLiteral("button"), &window);
            break;
        }
        child->move((i * 7) % 300, (i * 13) % 400);
    }
    window.show();
    auto* dispatcher = QAbstractEventDispatcher::instance();
    QObject::connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, dispatcher, [&] {
        timespec t{};
        clock_gettime(CLOCK_MONOTONIC, &t);
        std::printf("%.3f\n", double((t.tv_sec * 1'000'000'000LL + t.tv_nsec) - spawnedAt) / 1e6);
        std::fflush(stdout);
        std::_Exit(0);
    });
    return QApplication::exec();
}
