#pragma once
// What the program sets on the application object before it creates its
// windows.

// The application name "zq735" (it names the per-user configuration folder).
// No display name: Qt would append one to the caption of every window and
// dialog ("系统提示 — …"), and the captions are the program's own texts,
// some of them the very question a dialog asks.
void InitApplication();
