// Netscape User Preferences
user_pref("browser.startup.homepage", "http://www.example.org/bob");
user_pref("mail.identity.useremail", "bob@example.org");
