// Resource identifiers of QuillonFlash. The menu is named by the string "POPUPMENU".
#pragma once

#define IDI_QUILLONFLASH 107
#define IDM_EXIT 32772
