#include "LauncherBuild.h"

const LauncherBuild kVintorBuild = {
    U16("vintor"),
    6,      // tokens 0 to 5
    false,  // the skin gives the size
    U16("WndVintorMain.xml"),
    0x96C80000u,  // the dialog style
    5,            // SW_SHOW
    U16("ie_GameChat"),
    nullptr,
    U16("btnMin"),
    U16("btnStick"),
    nullptr,
    nullptr,
    U16("btnclose"),
    false,
    U16("WndVintorExit.xml"),
    U16("btnCloseTip"),
    nullptr,
    {U16("?UserID="), U16("&UserPass="), U16("&time="), true},
};

const LauncherBuild kPellamBuild = {
    U16("pellam"),
    8,     // tokens 0 to 7
    true,  // width and height from tokens 6 and 7
    U16("WndPellam2.xml"),
    0x10CF0000u,  // WS_OVERLAPPEDWINDOW | WS_VISIBLE
    1,            // SW_SHOWNORMAL
    U16("ie_GameUrl"),
    U16("labelTip"),
    U16("btn_Min"),
    nullptr,
    U16("btn_Max"),
    U16("btn_Restore"),
    U16("btn_close"),
    true,
    U16("WndExitGame.xml"),
    U16("btn_close"),
    U16("BtnExit"),
    {U16("?nuserid="), U16("&cpassword="), U16("&stealth=true"), false},
};

namespace launcher {
const Utf16Char* const kCaption = U16("Orvane休闲娱乐中心");
const Utf16Char* const kCaptionMarkup = U16("{b}Orvane休闲娱乐中心{/b}");
const Utf16Char* const kExitTitleMarkup = U16("{b}系统提示：{/b}");
}  // namespace launcher
