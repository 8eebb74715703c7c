#include "app/ProgramIcon.h"

QIcon programIcon()
{
    return QIcon(QStringLiteral(":/icons/seqlark.png"));
}
