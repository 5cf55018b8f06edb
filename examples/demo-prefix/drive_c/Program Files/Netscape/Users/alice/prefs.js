// Netscape User Preferences
user_pref("browser.startup.homepage", "http://www.example.org/alice");
user_pref("mail.identity.useremail", "alice@example.org");
