// The shell's built-in classes: stand-ins for the outside components that the
// program creates by ProgID.
#include "components/database.h"
#include "platform/objectfactory.h"

namespace {

struct Builtins {
    Builtins()
    {
        objects::registerBuiltin(QStringLiteral("kxDataAccessHelper.Database"),
                                 QStringLiteral("{6F1C2B1E-3D4A-4E5B-9C7D-8E9F0A1B2C3D}"),
                                 [] { return static_cast<QObject *>(new Database); });
    }
};
const Builtins g_builtins;

} // namespace
