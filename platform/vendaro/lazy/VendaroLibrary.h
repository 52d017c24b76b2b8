#pragma once
// libvendaro.so, opened on the first call of any Mavro_* function through the
// import library, so that a program starts without the player and the
// decoders it brings. It is looked for in the folder of the program or shared
// library that holds the import library, where the build and the client's
// folder put it, never in the working folder.

namespace vendaro_import {

// The address of `name` in libvendaro.so; null when the library or the name
// cannot be had, which is logged with the loader's reason.
void* Resolve(const char* name);

} // namespace vendaro_import
