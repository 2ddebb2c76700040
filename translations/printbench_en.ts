<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US" sourcelanguage="ko_KR">
<context>
    <name>Form1</name>
    <message>
        <source>Connection Setting</source>
        <translation>Connection Setting</translation>
    </message>
    <message>
        <source>Status(HEX)</source>
        <translation>Status(HEX)</translation>
    </message>
    <message>
        <source>Firmware Ver</source>
        <translation>Firmware Ver</translation>
    </message>
    <message>
        <source>Old ver</source>
        <translation>Old ver</translation>
    </message>
    <message>
        <source>Density</source>
        <translation>Density</translation>
    </message>
    <message>
        <source>Status</source>
        <translation>Status</translation>
    </message>
    <message>
        <source>Command List</source>
        <translation>Command List</translation>
    </message>
    <message>
        <source>Selected Command List</source>
        <translation>Selected Command List</translation>
    </message>
    <message>
        <source>Repeat Rating</source>
        <translation>Repeat Rating</translation>
    </message>
    <message>
        <source>Repeated</source>
        <translation>Repeated</translation>
    </message>
    <message>
        <source>Delay</source>
        <translation>Delay</translation>
    </message>
    <message>
        <source>ms</source>
        <translation>ms</translation>
    </message>
    <message>
        <source>Feed (Max 760)</source>
        <translation>Feed (Max 760)</translation>
    </message>
    <message>
        <source>dot</source>
        <translation>dot</translation>
    </message>
    <message>
        <source>Status Clear</source>
        <translation>Status Clear</translation>
    </message>
    <message>
        <source>Bitmap Image</source>
        <translation>Bitmap Image</translation>
    </message>
    <message>
        <source>Run</source>
        <translation>Run</translation>
    </message>
    <message>
        <source>Stop</source>
        <translation>Stop</translation>
    </message>
    <message>
        <source>End</source>
        <translation>End</translation>
    </message>
    <message>
        <source>H Diagram</source>
        <translation>H Diagram</translation>
    </message>
    <message>
        <source>비트패턴</source>
        <translation>Bit Pattern</translation>
    </message>
    <message>
        <source>Tile</source>
        <translation>Tile</translation>
    </message>
    <message>
        <source>Test Pattern</source>
        <translation>Test Pattern</translation>
    </message>
</context>
<context>
    <name>Form3</name>
    <message>
        <source>위치: %1</source>
        <comment>the folder the files are listed from</comment>
        <translation>Location: %1</translation>
    </message>
    <message>
        <source>Print</source>
        <translation>Print</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Close</translation>
    </message>
</context>
<context>
    <name>Message</name>
    <message>
        <source>Only Number!</source>
        <comment>a field takes digits only</comment>
        <translation>Only numbers can be entered.</translation>
    </message>
    <message>
        <source>Only Number</source>
        <comment>a field takes digits only</comment>
        <translation>Only numbers can be entered.</translation>
    </message>
    <message>
        <source>Max 1010</source>
        <comment>the feed field</comment>
        <translation>The feed is at most 1010 dots.</translation>
    </message>
    <message>
        <source>Please Select Port</source>
        <comment>a button that needs a port</comment>
        <translation>Please choose a port first.</translation>
    </message>
    <message>
        <source>%1 모델에 USB로 연결되었습니다.</source>
        <comment>%1: the model</comment>
        <translation>Connected to the %1 over USB.</translation>
    </message>
    <message>
        <source>[Returned Data]:%1,USB포트를 열수 없습니다.<byte value="xd"/>
프린터 및 케이블을 확인하시고 다시 시도해 주십시오</source>
        <comment>%1: the result code; %2: what it means, in words</comment>
        <translation>%2.<byte value="xd"/>
The USB port could not be opened: check the printer and its cable, then try again. (Returned data: %1)</translation>
    </message>
    <message>
        <source>비트맵 파일이 틀립니다...<byte value="xd"/>
파일명: %1<byte value="xd"/>
%2</source>
        <comment>%1: the file, %2: why</comment>
        <translation>The file is not a bitmap that can be printed.<byte value="xd"/>
File: %1<byte value="xd"/>
%2</translation>
    </message>
    <message>
        <source>비트맵 파일이 틀립니다...<byte value="xd"/>
파일명: %1</source>
        <comment>%1: the file</comment>
        <translation>The file is not a bitmap that can be printed.<byte value="xd"/>
File: %1</translation>
    </message>
    <message>
        <source>컬러가 흑백이 아닙니다. 흑백으로 바꿔주십시오...<byte value="xd"/>
파일명: %1<byte value="xd"/>
%2</source>
        <comment>%1: the file, %2: why</comment>
        <translation>The image is not black and white: please convert it to monochrome.<byte value="xd"/>
File: %1<byte value="xd"/>
%2</translation>
    </message>
    <message>
        <source>컬러가 흑백이 아닙니다. 흑백으로 바꿔주십시오...<byte value="xd"/>
파일명: %1</source>
        <comment>%1: the file</comment>
        <translation>The image is not black and white: please convert it to monochrome.<byte value="xd"/>
File: %1</translation>
    </message>
    <message>
        <source>선택된 파일이 없습니다.</source>
        <translation>No file is selected.</translation>
    </message>
    <message>
        <source>데이터 출력을 완료했습니다</source>
        <comment>the logo was sent</comment>
        <translation>The data has been printed.</translation>
    </message>
    <message>
        <source>The work file %1 could not be written, so nothing was printed.<byte value="xd"/>
Reason: %2</source>
        <translation>The work file %1 could not be written, so nothing was printed.<byte value="xd"/>
Reason: %2</translation>
    </message>
    <message>
        <source>%1 could not be opened.<byte value="xd"/>
Device: %2<byte value="xd"/>
Reason: %3</source>
        <translation>%1 could not be opened.<byte value="xd"/>
Device: %2<byte value="xd"/>
Reason: %3</translation>
    </message>
    <message>
        <source>%1 could not be opened.<byte value="xd"/>
%2</source>
        <comment>%2: what the port leads to</comment>
        <translation>%1 could not be opened.<byte value="xd"/>
%2</translation>
    </message>
    <message>
        <source>%1 is not open, so nothing was sent.<byte value="xd"/>
Choose the port again once the printer is connected.</source>
        <translation>%1 is not open, so nothing was sent.<byte value="xd"/>
Choose the port again once the printer is connected.</translation>
    </message>
    <message>
        <source>The connection to %1 was lost; the port has been closed.<byte value="xd"/>
Reason: %2</source>
        <translation>The connection to %1 was lost; the port has been closed.<byte value="xd"/>
Reason: %2</translation>
    </message>
    <message>
        <source>Sending to %1 failed; the port has been closed.<byte value="xd"/>
Reason: %2</source>
        <translation>Sending to %1 failed; the port has been closed.<byte value="xd"/>
Reason: %2</translation>
    </message>
    <message>
        <source>Sending to the USB printer failed.<byte value="xd"/>
Reason: %1</source>
        <translation>Sending to the USB printer failed.<byte value="xd"/>
Reason: %1</translation>
    </message>
    <message>
        <source>The text to print has characters that code page %1 cannot print: %2<byte value="xd"/>
The printer would get &quot;?&quot; for each of them.</source>
        <translation>The text to print has characters that code page %1 cannot print: %2<byte value="xd"/>
The printer would get &quot;?&quot; for each of them.</translation>
    </message>
    <message>
        <source>Send as ?</source>
        <comment>the button that sends the text anyway</comment>
        <translation>Send as ?</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>%1 could not be opened.<byte value="xd"/>
Reason: the speed &quot;%2&quot; is not a number</source>
        <translation>%1 could not be opened.<byte value="xd"/>
Reason: the speed &quot;%2&quot; is not a number</translation>
    </message>
    <message>
        <source>Nothing was sent.<byte value="xd"/>
%1</source>
        <comment>%1: the code refused and why</comment>
        <translation>Nothing was sent.<byte value="xd"/>
%1</translation>
    </message>
</context>
<context>
    <name>printbench::app::BarcodeDialog</name>
    <message>
        <source>Barcodes</source>
        <translation>Barcodes</translation>
    </message>
    <message>
        <source>Sample page: every symbology with a sample datum</source>
        <translation>Sample page: every symbology with a sample datum</translation>
    </message>
    <message>
        <source>One symbology with this data:</source>
        <translation>One symbology with this data:</translation>
    </message>
    <message>
        <source>Symbology</source>
        <translation>Symbology</translation>
    </message>
    <message>
        <source>Data</source>
        <translation>Data</translation>
    </message>
    <message>
        <source>none</source>
        <translation>none</translation>
    </message>
    <message>
        <source>above</source>
        <translation>above</translation>
    </message>
    <message>
        <source>below</source>
        <translation>below</translation>
    </message>
    <message>
        <source>both</source>
        <translation>both</translation>
    </message>
    <message>
        <source>font A</source>
        <translation>font A</translation>
    </message>
    <message>
        <source>font B</source>
        <translation>font B</translation>
    </message>
    <message>
        <source>form A (m 0–6, data ended by NUL)</source>
        <translation>form A (m 0–6, data ended by NUL)</translation>
    </message>
    <message>
        <source>form B (m 65–78, length first)</source>
        <translation>form B (m 65–78, length first)</translation>
    </message>
    <message>
        <source>Height (dots, GS h)</source>
        <translation>Height (dots, GS h)</translation>
    </message>
    <message>
        <source>Module width (dots, GS w)</source>
        <translation>Module width (dots, GS w)</translation>
    </message>
    <message>
        <source>Human-readable text (GS H)</source>
        <translation>Human-readable text (GS H)</translation>
    </message>
    <message>
        <source>Its font (GS f)</source>
        <translation>Its font (GS f)</translation>
    </message>
    <message>
        <source>GS k form</source>
        <translation>GS k form</translation>
    </message>
    <message>
        <source>Print</source>
        <translation>Print</translation>
    </message>
</context>
<context>
    <name>printbench::app::BitmapWindow</name>
    <message>
        <source>비트맵 이미지 출력</source>
        <translation>Bitmap Image Output</translation>
    </message>
</context>
<context>
    <name>printbench::app::CockpitWindow</name>
    <message>
        <source>Traffic console</source>
        <translation>Traffic console</translation>
    </message>
    <message>
        <source>&amp;File</source>
        <translation>&amp;File</translation>
    </message>
    <message>
        <source>Record capture…</source>
        <translation>Record capture…</translation>
    </message>
    <message>
        <source>Save console as text…</source>
        <translation>Save console as text…</translation>
    </message>
    <message>
        <source>Save run report…</source>
        <translation>Save run report…</translation>
    </message>
    <message>
        <source>Save sequence…</source>
        <translation>Save sequence…</translation>
    </message>
    <message>
        <source>Open sequence…</source>
        <translation>Open sequence…</translation>
    </message>
    <message>
        <source>Restore last session</source>
        <translation>Restore last session</translation>
    </message>
    <message>
        <source>Exit</source>
        <translation>Exit</translation>
    </message>
    <message>
        <source>&amp;View</source>
        <translation>&amp;View</translation>
    </message>
    <message>
        <source>Status history</source>
        <translation>Status history</translation>
    </message>
    <message>
        <source>&amp;Settings</source>
        <translation>&amp;Settings</translation>
    </message>
    <message>
        <source>Text code page</source>
        <translation>Text code page</translation>
    </message>
    <message>
        <source>Language</source>
        <translation>Language</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>&amp;Help</translation>
    </message>
    <message>
        <source>About PrintBench</source>
        <translation>About PrintBench</translation>
    </message>
    <message>
        <source>PrintBench %1
A test bench for thermal receipt printers.</source>
        <translation>PrintBench %1
A test bench for thermal receipt printers.</translation>
    </message>
    <message>
        <source>Run</source>
        <translation>Run</translation>
    </message>
    <message>
        <source>Stop</source>
        <translation>Stop</translation>
    </message>
    <message>
        <source>Record capture</source>
        <translation>Record capture</translation>
    </message>
    <message>
        <source>Captures (*.bin);;All files (*)</source>
        <translation>Captures (*.bin);;All files (*)</translation>
    </message>
    <message>
        <source>%1 cannot be written: %2.</source>
        <translation>%1 cannot be written: %2.</translation>
    </message>
    <message>
        <source>Save console as text</source>
        <translation>Save console as text</translation>
    </message>
    <message>
        <source>Text (*.txt);;All files (*)</source>
        <translation>Text (*.txt);;All files (*)</translation>
    </message>
    <message>
        <source>No run yet.</source>
        <translation>No run yet.</translation>
    </message>
    <message>
        <source>Save run report</source>
        <translation>Save run report</translation>
    </message>
    <message>
        <source>Run reports (*.txt)</source>
        <translation>Run reports (*.txt)</translation>
    </message>
    <message>
        <source>Save sequence</source>
        <translation>Save sequence</translation>
    </message>
    <message>
        <source>Open sequence</source>
        <translation>Open sequence</translation>
    </message>
    <message>
        <source>%1 cannot be read: %2.</source>
        <translation>%1 cannot be read: %2.</translation>
    </message>
    <message>
        <source>%1 is not a PrintBench sequence file.</source>
        <translation>%1 is not a PrintBench sequence file.</translation>
    </message>
    <message>
        <source>%1 names commands PrintBench does not know; they were left out:
%2</source>
        <translation>%1 names commands PrintBench does not know; they were left out:
%2</translation>
    </message>
    <message>
        <source>No saved session.</source>
        <translation>No saved session.</translation>
    </message>
    <message>
        <source>the last session</source>
        <translation>the last session</translation>
    </message>
    <message>
        <source>Speed %1 of %2 left as it is: COM%3 is open</source>
        <translation>Speed %1 of %2 left as it is: COM%3 is open</translation>
    </message>
    <message>
        <source>&amp;Printer</source>
        <translation>&amp;Printer</translation>
    </message>
    <message>
        <source>Identify…</source>
        <translation>Identify…</translation>
    </message>
    <message>
        <source>What the printer on %1 said when asked with GS I:</source>
        <translation>What the printer on %1 said when asked with GS I:</translation>
    </message>
    <message>
        <source>한국어 (Korean)</source>
        <translation>Korean</translation>
    </message>
    <message>
        <source>English</source>
        <translation>English</translation>
    </message>
    <message>
        <source>Check a scanned page…</source>
        <translation>Check a scanned page…</translation>
    </message>
    <message>
        <source>&amp;Test pages</source>
        <translation>&amp;Test pages</translation>
    </message>
    <message>
        <source>Barcodes…</source>
        <translation>Barcodes…</translation>
    </message>
    <message>
        <source>2-D codes…</source>
        <translation>2-D codes…</translation>
    </message>
    <message>
        <source>No page of codes printed yet.</source>
        <translation>No page of codes printed yet.</translation>
    </message>
    <message>
        <source>Check a scanned page</source>
        <translation>Check a scanned page</translation>
    </message>
    <message>
        <source>Pictures (*.png *.jpg *.jpeg *.bmp *.gif *.tif *.tiff);;All files (*)</source>
        <translation>Pictures (*.png *.jpg *.jpeg *.bmp *.gif *.tif *.tiff);;All files (*)</translation>
    </message>
    <message>
        <source>Image…</source>
        <translation>Image…</translation>
    </message>
    <message>
        <source>Image</source>
        <translation>Image</translation>
    </message>
    <message>
        <source>Pictures (*.png *.jpg *.jpeg *.gif *.bmp *.tif *.tiff *.webp);;All files (*)</source>
        <translation>Pictures (*.png *.jpg *.jpeg *.gif *.bmp *.tif *.tiff *.webp);;All files (*)</translation>
    </message>
    <message>
        <source>Code pages…</source>
        <translation>Code pages…</translation>
    </message>
    <message>
        <source>Code tables…</source>
        <translation>Code tables…</translation>
    </message>
    <message>
        <source>Save expected paper…</source>
        <translation>Save expected paper…</translation>
    </message>
    <message>
        <source>Expected paper</source>
        <translation>Expected paper</translation>
    </message>
    <message>
        <source>No expected paper yet.</source>
        <translation>No expected paper yet.</translation>
    </message>
    <message>
        <source>Save expected paper</source>
        <translation>Save expected paper</translation>
    </message>
    <message>
        <source>PNG pictures (*.png)</source>
        <translation>PNG pictures (*.png)</translation>
    </message>
    <message>
        <source>The expected paper could not be made into a PNG picture.</source>
        <translation>The expected paper could not be made into a PNG picture.</translation>
    </message>
</context>
<context>
    <name>printbench::app::Code2dDialog</name>
    <message>
        <source>2-D codes</source>
        <translation>2-D codes</translation>
    </message>
    <message>
        <source>Code</source>
        <translation>Code</translation>
    </message>
    <message>
        <source>Text</source>
        <translation>Text</translation>
    </message>
    <message>
        <source>model 1</source>
        <translation>model 1</translation>
    </message>
    <message>
        <source>model 2</source>
        <translation>model 2</translation>
    </message>
    <message>
        <source>Micro QR</source>
        <translation>Micro QR</translation>
    </message>
    <message>
        <source>Model</source>
        <translation>Model</translation>
    </message>
    <message>
        <source>Module size (dots)</source>
        <translation>Module size (dots)</translation>
    </message>
    <message>
        <source>Error correction</source>
        <translation>Error correction</translation>
    </message>
    <message>
        <source>Truncated</source>
        <translation>Truncated</translation>
    </message>
    <message>
        <source>Columns (0: the printer&apos;s choice)</source>
        <translation>Columns (0: the printer&apos;s choice)</translation>
    </message>
    <message>
        <source>Rows (0: the printer&apos;s choice, or 3–90)</source>
        <translation>Rows (0: the printer&apos;s choice, or 3–90)</translation>
    </message>
    <message>
        <source>Module width (dots)</source>
        <translation>Module width (dots)</translation>
    </message>
    <message>
        <source>Row height (modules)</source>
        <translation>Row height (modules)</translation>
    </message>
    <message>
        <source>Error correction level</source>
        <translation>Error correction level</translation>
    </message>
    <message>
        <source>Print</source>
        <translation>Print</translation>
    </message>
    <message>
        <source>Text in the text code page (%1), not UTF-8</source>
        <translation>Text in the text code page (%1), not UTF-8</translation>
    </message>
</context>
<context>
    <name>printbench::app::CodePagesDialog</name>
    <message>
        <source>Code pages</source>
        <translation>Code pages</translation>
    </message>
    <message>
        <source>Charts of the code tables of %1 (ESC t n; Settings › Code tables…):</source>
        <translation>Charts of the code tables of %1 (ESC t n; Settings › Code tables…):</translation>
    </message>
    <message>
        <source>%1: table %2</source>
        <translation>%1: table %2</translation>
    </message>
    <message>
        <source>unnamed</source>
        <translation>unnamed</translation>
    </message>
    <message>
        <source>Korean double-byte characters (FS &amp;, KS X 1001)</source>
        <translation>Korean double-byte characters (FS &amp;, KS X 1001)</translation>
    </message>
    <message>
        <source>Print</source>
        <translation>Print</translation>
    </message>
</context>
<context>
    <name>printbench::app::CodeTablesDialog</name>
    <message>
        <source>Code tables</source>
        <translation>Code tables</translation>
    </message>
    <message>
        <source>Model</source>
        <translation>Model</translation>
    </message>
    <message>
        <source>Tables (ESC t n, 0–255)</source>
        <translation>Tables (ESC t n, 0–255)</translation>
    </message>
    <message>
        <source>Tables with glyphs known here: %1</source>
        <translation>Tables with glyphs known here: %1</translation>
    </message>
    <message>
        <source>Keep</source>
        <translation>Keep</translation>
    </message>
</context>
<context>
    <name>printbench::app::ExpectedPaperDock</name>
    <message>
        <source>%1 dots wide</source>
        <translation>%1 dots wide</translation>
    </message>
    <message>
        <source>%1 dots wide · %2 m of paper</source>
        <translation>%1 dots wide · %2 m of paper</translation>
    </message>
    <message>
        <source> · older paper dropped: %1 m (%2 rows, %3 whole pieces)</source>
        <translation> · older paper dropped: %1 m (%2 rows, %3 whole pieces)</translation>
    </message>
    <message>
        <source> · %1 bytes sent too fast to draw</source>
        <translation> · %1 bytes sent too fast to draw</translation>
    </message>
    <message>
        <source>Expected paper</source>
        <translation>Expected paper</translation>
    </message>
</context>
<context>
    <name>printbench::app::PictureDialog</name>
    <message>
        <source>Image</source>
        <translation>Image</translation>
    </message>
    <message>
        <source>Choose…</source>
        <translation>Choose…</translation>
    </message>
    <message>
        <source>Picture (PNG, JPEG, GIF, BMP)</source>
        <translation>Picture (PNG, JPEG, GIF, BMP)</translation>
    </message>
    <message>
        <source>threshold</source>
        <translation>threshold</translation>
    </message>
    <message>
        <source>ordered (Bayer 8×8)</source>
        <translation>ordered (Bayer 8×8)</translation>
    </message>
    <message>
        <source>Floyd–Steinberg</source>
        <translation>Floyd–Steinberg</translation>
    </message>
    <message>
        <source>Atkinson</source>
        <translation>Atkinson</translation>
    </message>
    <message>
        <source>column (ESC * 33)</source>
        <translation>column (ESC * 33)</translation>
    </message>
    <message>
        <source>raster (GS v 0)</source>
        <translation>raster (GS v 0)</translation>
    </message>
    <message>
        <source>graphics (GS ( L)</source>
        <translation>graphics (GS ( L)</translation>
    </message>
    <message>
        <source>Crop at the print width (%1 dots) instead of scaling down</source>
        <translation>Crop at the print width (%1 dots) instead of scaling down</translation>
    </message>
    <message>
        <source>Dithering</source>
        <translation>Dithering</translation>
    </message>
    <message>
        <source>Threshold (ink below it)</source>
        <translation>Threshold (ink below it)</translation>
    </message>
    <message>
        <source>Mode</source>
        <translation>Mode</translation>
    </message>
    <message>
        <source>Print</source>
        <translation>Print</translation>
    </message>
    <message>
        <source>%1 × %2 dots</source>
        <translation>%1 × %2 dots</translation>
    </message>
</context>
<context>
    <name>printbench::app::ScanCheckDialog</name>
    <message>
        <source>Check a scanned page</source>
        <translation>Check a scanned page</translation>
    </message>
    <message>
        <source>%1: every code that can be checked was read with its own text.</source>
        <translation>%1: every code that can be checked was read with its own text.</translation>
    </message>
    <message>
        <source>%1: not every code was read with its own text.</source>
        <translation>%1: not every code was read with its own text.</translation>
    </message>
    <message>
        <source>Code</source>
        <translation>Code</translation>
    </message>
    <message>
        <source>Sent</source>
        <translation>Sent</translation>
    </message>
    <message>
        <source>Read</source>
        <translation>Read</translation>
    </message>
</context>
<context>
    <name>printbench::app::StatusHistory</name>
    <message>
        <source>Status history</source>
        <translation>Status history</translation>
    </message>
    <message>
        <source>Time</source>
        <translation>Time</translation>
    </message>
    <message>
        <source>Value</source>
        <translation>Value</translation>
    </message>
    <message>
        <source>Meaning</source>
        <translation>Meaning</translation>
    </message>
    <message>
        <source>Class</source>
        <translation>Class</translation>
    </message>
    <message>
        <source>Route</source>
        <translation>Route</translation>
    </message>
    <message>
        <source>Pass</source>
        <translation>Pass</translation>
    </message>
</context>
<context>
    <name>printbench::app::TrafficConsole</name>
    <message>
        <source>Pause</source>
        <translation>Pause</translation>
    </message>
    <message>
        <source>Both</source>
        <translation>Both</translation>
    </message>
    <message>
        <source>Sent</source>
        <translation>Sent</translation>
    </message>
    <message>
        <source>Received</source>
        <translation>Received</translation>
    </message>
    <message>
        <source>Copy</source>
        <translation>Copy</translation>
    </message>
    <message>
        <source>Clear</source>
        <translation>Clear</translation>
    </message>
</context>
</TS>
