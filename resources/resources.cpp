#include "resources/resources.h"

#include <QtGlobal>

void load_program_resources()
{
    Q_INIT_RESOURCE(resources);
}
