#!/bin/sh
# Lays out the Linux demo distribution: lay-out.sh SOURCE DEST RUNNER
# Debian's own programs through symlinks; the database files are made once.
set -eu
src=$1 dest=$2 runner=$3
mkdir -p "$dest/bin/apache" "$dest/bin/mysql/bin" "$dest/bin/mysql/share" "$dest/data"
cp "$runner" "$dest/vadrome"
cp "$src/bin/apache/httpd.conf" "$src/bin/apache/php.ini" "$dest/bin/apache/"
ln -sfn /usr/sbin/apache2 "$dest/bin/apache/httpd"
ln -sfn /usr/sbin/mariadbd "$dest/bin/mysql/bin/mysqld"
ln -sfn /usr/share/mysql/english "$dest/bin/mysql/share/english"
rm -rf "$dest/www"
cp -R "$src/www" "$dest/www"
# The web server's children run as www-data when it is started as root.
chmod -R a+rX "$dest/www"
if [ ! -d "$dest/data/mysql" ]; then
  user_option=
  [ "$(id -u)" = 0 ] && user_option=--user=root
  mariadb-install-db --no-defaults --datadir="$dest/data" $user_option --skip-test-db \
    --auth-root-authentication-method=normal >"$dest/data/install.log" 2>&1 ||
    { cat "$dest/data/install.log" >&2; exit 1; }
fi
