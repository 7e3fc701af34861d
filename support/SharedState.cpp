#include "support/SharedState.h"

QString ProgNam = QStringLiteral("qzLayer");
QString Version;
QString Copyright;
QString CurrentDir;
bool ChangedB = false;
bool PaintedB = false;
std::uint16_t TmpPos = 0;
QString NameOfProject;
QString DirOfProject;
QString PathNameOfProject;
QString qlpPathName;
