#pragma once
// The application entry: everything after the engine context is built.

int KorvaneLegacyMain(int argc, char** argv);
