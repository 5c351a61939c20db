// <windows.h> for the win32 ports. The port methods CreateDirectory, CopyFile and MessageBox share
// their names with the system's A/W macros, so those macros are removed after the include; code here
// calls the W functions by their full names.
#pragma once

#include <windows.h>

#undef CopyFile
#undef MoveFile
#undef CreateDirectory
#undef MessageBox
