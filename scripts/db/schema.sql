-- The user table that the sign-in and sign-up dialogs work on, and the program's account.
-- Safe to load again and again: everything is created only when missing, and the account's
-- password and rights are set to the same values each time.

CREATE DATABASE IF NOT EXISTS mysql_brisolt
  CHARACTER SET utf8mb4 COLLATE utf8mb4_unicode_ci;

-- User names compare without letter case on the server (so "Alice" and "alice" are one
-- key); the program itself then compares the fetched name byte for byte.
-- password_hash holds the password as typed; it is wider than the program's 60-byte read
-- buffer, so a longer stored value is possible and is refused at sign-in.
CREATE TABLE IF NOT EXISTS mysql_brisolt.qv_users (
  id            INT UNSIGNED NOT NULL AUTO_INCREMENT,
  username      VARCHAR(100) NOT NULL,
  phone         VARCHAR(20)  NOT NULL,
  password_hash VARCHAR(255) NOT NULL,
  is_enabled    TINYINT      NULL DEFAULT 1,
  description   VARCHAR(255) NULL,
  created_at    TIMESTAMP    NOT NULL DEFAULT CURRENT_TIMESTAMP,
  PRIMARY KEY (id),
  UNIQUE KEY uk_username (username),
  UNIQUE KEY uk_phone (phone)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_unicode_ci;

-- The program connects over TCP to 127.0.0.1; 'localhost' covers clients on the socket.
CREATE USER IF NOT EXISTS 'mysql_brisolt'@'127.0.0.1' IDENTIFIED BY 'Kq604831##';
CREATE USER IF NOT EXISTS 'mysql_brisolt'@'localhost' IDENTIFIED BY 'Kq604831##';
ALTER USER 'mysql_brisolt'@'127.0.0.1' IDENTIFIED BY 'Kq604831##';
ALTER USER 'mysql_brisolt'@'localhost' IDENTIFIED BY 'Kq604831##';

-- Only what the program does: look a user up and add one.
GRANT SELECT, INSERT ON mysql_brisolt.qv_users TO 'mysql_brisolt'@'127.0.0.1';
GRANT SELECT, INSERT ON mysql_brisolt.qv_users TO 'mysql_brisolt'@'localhost';
