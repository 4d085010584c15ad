// A helper of the end-to-end tests that takes pictures of a whole X display (the windows of
// every process on it), run as a child so that the X libraries' start-up is not checked by
// the test's own sanitizer settings. One command a line on standard input:
//   grab <file.png>   saves the display; answers "ok <hash of the picture>" or "error"
//   quit              ends
// It answers "ready" once it is connected to the display.
#include <QByteArray>
#include <QGuiApplication>
#include <QHash>
#include <QImage>
#include <QPixmap>
#include <QScreen>

#include <iostream>
#include <string>

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr) {
        std::cout << "error no screen" << std::endl;
        return 1;
    }
    std::cout << "ready" << std::endl;
    std::string line;
    while (std::getline(std::cin, line)) {
        if (line == "quit") {
            break;
        }
        if (line.rfind("grab ", 0) != 0) {
            std::cout << "error unknown command" << std::endl;
            continue;
        }
        const QImage picture = screen->grabWindow(0).toImage();
        const QByteArray bytes(reinterpret_cast<const char*>(picture.constBits()),
                               static_cast<qsizetype>(picture.sizeInBytes()));
        if (picture.isNull() || !picture.save(QString::fromStdString(line.substr(5)))) {
            std::cout << "error cannot save" << std::endl;
            continue;
        }
        std::cout << "ok " << qHash(bytes) << std::endl;
    }
    return 0;
}
