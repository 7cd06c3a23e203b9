<?php
// An export as sites send one: bytes of every value, as an attachment.
header('Content-Type: application/octet-stream');
header('Content-Disposition: attachment; filename="export.bin"');
$bytes = '';
for ($i = 0; $i < 70000; $i++) $bytes .= chr(($i * 7 + intdiv($i, 256)) % 256);
echo $bytes;
