<?php
file_put_contents(__DIR__ . '/report.txt', urldecode($_SERVER['QUERY_STRING']) . "\n", FILE_APPEND | LOCK_EX);
