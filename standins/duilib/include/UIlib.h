// DuiLib: skinned windows built from XML skin files. The one header the programs include:
//
//   #include <UIlib.h>
//   using namespace DuiLib;
#pragma once

#ifdef _MSC_VER
// Exported classes derive from COM interfaces that are not exported themselves; a program must
// be built with the same compiler as the library anyway, which is what the warnings are about.
#pragma warning(push)
#pragma warning(disable : 4251 4275)
#endif

#include "duilib/UIDefine.h"
#include "duilib/UIString.h"
#include "duilib/UIBase.h"
#include "duilib/UIManager.h"
#include "duilib/UIControl.h"
#include "duilib/UIContainer.h"
#include "duilib/UICommonControls.h"
#include "duilib/UIActiveX.h"
#include "duilib/UIDlgBuilder.h"
#include "duilib/WindowImplBase.h"

#ifdef _MSC_VER
#pragma warning(pop)
#endif
