// Child process of the crash-safety test: writes issues through Connection as
// fast as it can and prints each issue's number once its insert returned,
// that is once it is committed.

#include "data/Connection.h"
#include "data/Error.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 3)
        return 2;
    Connection connection;
    try {
        connection.Open(ConnectionText::dataSource(QString::fromLocal8Bit(argv[1])));
        const long first = std::atol(argv[2]);
        for (long n = first;; ++n) {
            connection.Execute(QStringLiteral("insert into Issues (Title,Status,Comment,[Opened Date]) values "
                                              "('crash %1','Open','%2','2021-08-31')")
                                   .arg(n)
                                   .arg(QString(200 + n % 500, QLatin1Char('x'))));
            std::printf("%ld\n", n);
            std::fflush(stdout);
        }
    } catch (const Error &error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
}
