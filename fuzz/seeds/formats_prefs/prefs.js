// Mozilla User Preferences

user_pref("mail.root.none", "C:\\Users\\Ann\\Mail");
  user_pref("port", 110); // note
user_pref("quoted", "a \"b\", c)");
user_pref(broken
