#pragma once
// A result object that an operation makes at one numbered step and uses at
// later ones. When the step that makes it failed, every use fails like any
// other step, with the error an unset object variable gives, instead of
// touching an object that does not exist.

#include "data/Error.h"
#include "data/Recordset.h"

#include <optional>

class HeldRecordset {
public:
    void create() { m_recordset.emplace(); }
    bool exists() const { return m_recordset.has_value(); }

    // The result object. Throws Error when it was never made.
    Recordset &get()
    {
        if (!m_recordset)
            throw Error(QStringLiteral("Object variable or With block variable not set"));
        return *m_recordset;
    }
    Recordset *operator->() { return &get(); }

private:
    std::optional<Recordset> m_recordset;
};
