<?php
// The script the test left for a page, handed over once.
$file = __DIR__ . '/do/' . preg_replace('/[^a-z0-9]/', '', $_GET['page'] ?? '') . '.js';
header('Cache-Control: no-store');
if (is_file($file) && rename($file, $file . '.taken')) readfile($file . '.taken');
