// The process-map reader: any bytes must load as a map or be refused, and a
// loaded map must read to its end or to a run-time error, without a crash.
// Every element read must describe itself, and the icon names it gives must
// name a file inside the images folder.
#include "workspace/pilotmap.h"

#include <QByteArray>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    workspace::PilotMapReader reader;
    if (!reader.loadData(bytes)) {
        if (reader.formatError().isEmpty())
            std::abort(); // a refusal always says why
        return 0;
    }
    const workspace::PilotMap map = reader.read();
    qsizetype total = 0;
    for (qsizetype i = 0; i < map.arrows.size(); ++i)
        total += workspace::describeArrow(map.arrows[i], int(i + 1)).size();
    for (qsizetype i = 0; i < map.boxes.size(); ++i) {
        total += workspace::describeBox(map.boxes[i], int(i + 1)).size();
        if (!workspace::isPlainFileName(map.boxes[i].iconName))
            std::abort();
    }
    return total < 0 ? 1 : 0;
}
