/* Stands in for one of the four component setups that the installer puts
   below the installation folder (it never runs them). COMPONENT_NAME names it. */
#include <windows.h>

int WINAPI wWinMain(HINSTANCE inst, HINSTANCE prev, LPWSTR cmd, int show) {
  (void)inst, (void)prev, (void)cmd, (void)show;
  MessageBoxW(NULL, L"Veltaro365 演示组件：" COMPONENT_NAME L"\r\n\r\n这是一个占位程序，不安装任何东西。",
              COMPONENT_NAME, MB_OK | MB_ICONINFORMATION);
  return 0;
}
