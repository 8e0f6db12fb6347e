// config.exe / configx64.exe: one run of the configuration program.
#include <windows.h>

#include "config/app/config_program_win32.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR command_line, int) {
  return lz::config::RunConfig(instance, command_line);
}
