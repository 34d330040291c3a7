// Saves one kind of file through the program's own code, again and again,
// until it is killed: variants 0 and 1 in turn, or one more block each time.
// Prints "writing" once it has begun.
//   savewriter KIND PATH
#include "savekinds.h"

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    SaveKind kind;
    if (argc != 3 || !SaveKindFromName(QString::fromLocal8Bit(argv[1]), &kind)) {
        std::fprintf(stderr, "usage: savewriter %s PATH\n", qPrintable(SaveKindNames().join(u'|')));
        return 2;
    }
    const QString path = QString::fromLocal8Bit(argv[2]);
    std::puts("writing");
    std::fflush(stdout);
    for (int round = 1;; ++round)
        SaveVariant(kind, path, round % 2);
}
