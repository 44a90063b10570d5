#include "data/DataLayerProbe.h"

#include "data/Connection.h"
#include "data/Recordset.h"

#include <sqlite3.h>

namespace DataLayerProbe {

bool works()
{
    try {
        if (sqlite3_initialize() != SQLITE_OK)
            return false;
        Connection connection;
        connection.OpenInMemory();
        Recordset result;
        result.Open(QStringLiteral("select 'Data' + 'Access' as [Joined], 'Data' + Null as [Nothing]"), connection);
        const bool works = !result.Eof() &&
                           result.Fields(QStringLiteral("Joined")).toText() == QLatin1String("DataAccess") &&
                           result.Fields(QStringLiteral("Nothing")).isNull();
        result.Close();
        connection.Close();
        return works;
    } catch (...) {
        return false;
    }
}

} // namespace DataLayerProbe
