// Build tool: checks a skin's text and writes its compressed ".skn" form, so
// that only the readable ".ini" sources are kept in the repository.
//
//     v2m-skin-pack <skin.ini> <skin.skn>

#include <QByteArray>
#include <QFile>
#include <QSaveFile>
#include <QString>

#include <cstdio>

#include "SkinFile.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s <skin.ini> <skin.skn>\n", argv[0]);
        return 2;
    }
    const QString source = QString::fromLocal8Bit(argv[1]);
    const QString target = QString::fromLocal8Bit(argv[2]);
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "%s: %s\n", argv[1], qPrintable(in.errorString()));
        return 1;
    }
    const QByteArray text = in.readAll();
    v2m::TSkin skin;
    QString error;
    if (!v2m::ParseSkinText(text, skin, error)) {
        std::fprintf(stderr, "%s: %s\n", argv[1], qPrintable(error));
        return 1;
    }
    QSaveFile out(target);
    if (!out.open(QIODevice::WriteOnly) || out.write(v2m::PackSkinText(text)) < 0 ||
        !out.commit()) {
        std::fprintf(stderr, "%s: %s\n", argv[2], qPrintable(out.errorString()));
        return 1;
    }
    return 0;
}
