// The fault program's shared library without line information.
#pragma once

// Calls callback from a frame of the library's own.
void CallBackFromPlugin(void (*callback)());
