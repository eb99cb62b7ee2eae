// DuiLib: skinned windows built from XML skin files. The one header the programs include:
//
//   #include <UIlib.h>
//   using namespace DuiLib;
#pragma once

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
