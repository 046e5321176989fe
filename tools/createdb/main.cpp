// orvantis-createdb [PATH]: makes an empty Orvantis database (default ./ipdb.ipdb).
// An existing file is never touched.
#include "store/schema.h"
#include "store/storeerror.h"

#include <QCoreApplication>
#include <QStringList>
#include <QTextStream>
#include <cstdio>

namespace {

const char* const DefaultPath = "ipdb.ipdb";

int usage(QTextStream& err) {
    err << "usage: orvantis-createdb [PATH]\n"
        << "Creates an empty Orvantis database at PATH (default ./" << DefaultPath
        << "). An existing file is left as it is.\n";
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    const QStringList arguments = QCoreApplication::arguments().mid(1);
    if (arguments.size() > 1 || (arguments.size() == 1 && arguments[0].startsWith(QLatin1Char('-'))))
        return usage(err);
    const QString path = arguments.isEmpty() ? QString::fromLatin1(DefaultPath) : arguments[0];
    try {
        createEmptyDatabase(path);
    } catch (const StoreError& error) {
        err << "orvantis-createdb: " << error.message() << "\n";
        return 1;
    }
    out << "Created the empty database " << path << "\n";
    return 0;
}
