<?php $me = preg_replace('/[^a-z0-9]/', '', $_GET['name'] ?? 'main'); ?>
<!DOCTYPE html>
<title>Driven <?= $me ?></title>
<body style="font: 15px sans-serif; margin: 16px">
<h2>Driven page <?= $me ?></h2>
<p>PHP <?= PHP_VERSION ?>. <a id="export" href="export.php">Export the guest book</a></p>
<script>
// Runs what the test left for this page, and tells the test what it saw.
const me = <?= json_encode($me) ?>;
function report(text) { fetch('report.php?' + encodeURIComponent(me + ' ' + text)); }
setInterval(async () => {
  const script = await (await fetch('do.php?page=' + me)).text();
  if (script) eval(script);
}, 150);
report('loaded ' + innerWidth + 'x' + innerHeight);
</script>
