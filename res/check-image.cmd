@echo off
rem Drop an image, or a chip's read-back, on this file to check it; KORVANE shows what it found.
rem Opened without a file, it asks for the image, then for the firmware and the calibration to
rem compare it with. The console closes at once: the program runs on its own.
if "%~1"=="" goto ask
start "" "%~dp0korvane.exe" --check "%~1"
goto :eof
:ask
start "" "%~dp0korvane.exe" --check
