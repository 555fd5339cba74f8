@echo off
rem Drop an image, or a chip's read-back, on this file to save its calibration; KORVANE asks
rem where. Opened without a file, it asks for the image first. The console closes at once: the
rem program runs on its own.
if "%~1"=="" goto ask
start "" "%~dp0korvane.exe" --extract-calibration "%~1"
goto :eof
:ask
start "" "%~dp0korvane.exe" --extract-calibration
