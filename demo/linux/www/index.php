<?php
// The guest book: entries kept in MariaDB, on the server the runner started.
mysqli_report(MYSQLI_REPORT_ERROR | MYSQLI_REPORT_STRICT);

function guestbook(): mysqli {
    $db = new mysqli('127.0.0.1', 'root', '', '', (int) ini_get('mysqli.default_port'));
    $db->set_charset('utf8mb4');
    $db->query('CREATE DATABASE IF NOT EXISTS guestbook CHARACTER SET utf8mb4');
    $db->select_db('guestbook');
    $db->query('CREATE TABLE IF NOT EXISTS entries (
        id INT AUTO_INCREMENT PRIMARY KEY,
        name VARCHAR(100) NOT NULL,
        message TEXT NOT NULL,
        created TIMESTAMP NOT NULL DEFAULT CURRENT_TIMESTAMP) ENGINE=InnoDB');
    return $db;
}

$error = '';
$entries = [];
$dbVersion = '';
try {
    $db = guestbook();
    if ($_SERVER['REQUEST_METHOD'] === 'POST') {
        $name = trim($_POST['name'] ?? '');
        $message = trim($_POST['message'] ?? '');
        if ($name !== '' && $message !== '') {
            $insert = $db->prepare('INSERT INTO entries (name, message) VALUES (?, ?)');
            $insert->bind_param('ss', $name, $message);
            $insert->execute();
        }
        header('Location: /', true, 303);
        exit;
    }
    $dbVersion = $db->query('SELECT VERSION()')->fetch_row()[0];
    $result = $db->query('SELECT name, message, created FROM entries ORDER BY id DESC');
    $entries = $result->fetch_all(MYSQLI_ASSOC);
} catch (mysqli_sql_exception $e) {
    $error = $e->getMessage();
}
$h = fn($text) => htmlspecialchars($text, ENT_QUOTES, 'UTF-8');
?>
<!DOCTYPE html>
<html lang="en">
<head>
<meta charset="utf-8">
<title>Vadrome Guest Book</title>
<style>
body { font-family: sans-serif; margin: 2em auto; max-width: 40em; color: #223; }
h1 { color: #2a5d9f; }
.versions { background: #eef3fa; padding: .6em 1em; border-radius: 6px; }
form { margin: 1.5em 0; }
input, textarea { width: 100%; box-sizing: border-box; margin: .3em 0; padding: .4em; }
.entry { border-bottom: 1px solid #ccd; padding: .6em 0; }
.error { color: #a00; }
</style>
</head>
<body>
<h1>Vadrome Guest Book</h1>
<p class="versions" id="versions">PHP <span id="php-version"><?= $h(PHP_VERSION) ?></span>,
database <span id="db-version"><?= $h($dbVersion ?: 'not reached') ?></span></p>
<?php if ($error !== ''): ?><p class="error" id="error"><?= $h($error) ?></p><?php endif; ?>
<form method="post" action="/">
<input name="name" placeholder="Your name" maxlength="100" required>
<textarea name="message" placeholder="Your message" rows="3" required></textarea>
<button type="submit">Sign the guest book</button>
</form>
<p id="count"><?= count($entries) === 1 ? "1 entry" : count($entries) . " entries" ?></p>
<?php foreach ($entries as $entry): ?>
<div class="entry"><b><?= $h($entry['name']) ?></b> <small><?= $h($entry['created']) ?></small>
<p class="message"><?= $h($entry['message']) ?></p></div>
<?php endforeach; ?>
</body>
</html>
