#include "UpdateSettings.h"

CUpdateSettings updateSettings;
std::wstring installedVersion;
