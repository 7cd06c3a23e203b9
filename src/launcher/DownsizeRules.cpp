#include "launcher/DownsizeRules.h"

namespace {

TDownsizeItem File(const char* path) { return {TDownsizeItemKind::File, path}; }
TDownsizeItem Folder(const char* path) { return {TDownsizeItemKind::Folder, path}; }
TDownsizeItem Favorite(const char* sectionAndKey) { return {TDownsizeItemKind::Favorite, sectionAndKey}; }

}  // namespace

const std::vector<std::vector<TDownsizeItem>>& DownsizeRows() {
    static const std::vector<std::vector<TDownsizeItem>> rows = {
        {Folder("data"), Folder("bin\\mysql"), File("bin\\Apache\\libmysql.dll"),
         File("bin\\php\\ext\\php_mysql.dll"), File("bin\\php\\ext\\php_mysqli.dll"),
         File("bin\\php\\ext\\php_pdo_mysql.dll"), Favorite("DIRS\\MySQL data directory")},
        {File("bin\\Apache\\sqlite3.dll"), File("bin\\php\\ext\\php_pdo_sqlite_external.dll"),
         File("bin\\php\\ext\\php_sqlite.dll")},
        {Folder("bin\\php\\Zend")},
        {Folder("bin\\php\\ionCube")},
        {File("bin\\php\\ext\\php_gd2.dll")},
        {File("bin\\php\\ext\\php_mbstring.dll"), File("bin\\php\\ext\\php_exif.dll")},
        {File("bin\\Apache\\sendmail.exe"), File("bin\\Apache\\sendmail.ini"), File("bin\\php\\ext\\php_imap.dll")},
        {File("bin\\php\\ext\\php_curl.dll")},
        {File("bin\\Apache\\libmcrypt.dll"), File("bin\\php\\ext\\php_mcrypt.dll")},
        {File("bin\\Apache\\libmhash.dll"), File("bin\\php\\ext\\php_mhash.dll")},
        {File("bin\\php\\ext\\php_sockets.dll")},
        {File("bin\\php\\ext\\php_mime_magic.dll"), File("bin\\php\\ext\\magic.mime")},
        {Folder("www\\phpmyadmin"), Folder("data\\phpmyadmin"), Favorite("URLS\\phpMyAdmin")},
        {File("bin\\php\\ext\\php_openssl.dll")},
        {File("bin\\php\\ext\\php_xmlrpc.dll")},
        {File("bin\\php\\ext\\php_exif.dll")},
    };
    return rows;
}

bool DownsizeFlagDeletes(const TCommandLine& args, int index) {
    return index <= args.Count() && args.Arg(index) != "0";
}

const std::vector<TLibraryRule>& SharedLibraryRules() {
    static const std::vector<TLibraryRule> rules = {
        {{"bin\\php\\ext\\php_curl.dll", "bin\\php\\ext\\php_imap.dll", "bin\\php\\ext\\php_openssl.dll"},
         {"bin\\Apache\\libeay32.dll", "bin\\Apache\\ssleay32.dll"}},
        {{"bin\\php\\ext\\php_pdo_mysql.dll", "bin\\php\\ext\\php_pdo_sqlite_external.dll"},
         {"bin\\php\\ext\\php_pdo.dll"}},
    };
    return rules;
}
