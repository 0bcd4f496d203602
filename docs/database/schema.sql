-- The tables of Tollvane's station records, as the program makes them when
-- they are missing (PostgreSQL 13 or later). Run as the database's owner, then
-- grants.sql for the role the stations log in as. A test keeps this file the
-- same as the program's own statements.
CREATE TABLE schema_version (
    version INTEGER NOT NULL PRIMARY KEY
);
CREATE TABLE numbers (
    number CHAR(10) NOT NULL PRIMARY KEY CHECK (number ~ '^[0-9A-F]{10}$'),
    w26 CHAR(6) GENERATED ALWAYS AS (SUBSTRING(number FROM 1 FOR 6)) STORED NOT NULL UNIQUE,
    station TEXT NOT NULL,
    recorded_at TIMESTAMP WITH TIME ZONE NOT NULL DEFAULT CURRENT_TIMESTAMP
);
CREATE TABLE issued_cards (
    id TEXT NOT NULL PRIMARY KEY,
    station TEXT NOT NULL,
    time TEXT NOT NULL,
    operator TEXT NOT NULL,
    computer TEXT NOT NULL,
    port TEXT NOT NULL,
    reader_version TEXT NOT NULL,
    role TEXT NOT NULL,
    operation TEXT NOT NULL,
    cyclic TEXT NOT NULL,
    card_type TEXT NOT NULL,
    work_mode TEXT NOT NULL,
    sector TEXT NOT NULL,
    block TEXT NOT NULL,
    unique_data TEXT NOT NULL,
    tm_w44 TEXT NOT NULL,
    hex_w44 TEXT NOT NULL,
    dec_w44 TEXT NOT NULL,
    tm_w26 TEXT NOT NULL,
    hex_w26 TEXT NOT NULL,
    dec_w26 TEXT NOT NULL,
    tm_w58 TEXT NOT NULL,
    hex_w58 TEXT NOT NULL,
    dec_w58 TEXT NOT NULL,
    result TEXT NOT NULL,
    message TEXT NOT NULL,
    card_barcode TEXT NOT NULL,
    card_cipher_id TEXT NOT NULL,
    received_at TIMESTAMP WITH TIME ZONE NOT NULL DEFAULT CURRENT_TIMESTAMP
);
CREATE TABLE card_holders (
    id BIGINT GENERATED ALWAYS AS IDENTITY PRIMARY KEY,
    name TEXT NOT NULL,
    unique_data TEXT NOT NULL DEFAULT '',
    status TEXT NOT NULL DEFAULT 'waiting',
    time TEXT NOT NULL DEFAULT '',
    card_barcode TEXT NOT NULL DEFAULT '',
    card_cipher_id TEXT NOT NULL DEFAULT '',
    station TEXT NOT NULL DEFAULT '',
    taken_by TEXT,
    taken_at TIMESTAMP WITH TIME ZONE,
    origin TEXT UNIQUE
);
CREATE INDEX issued_cards_card ON issued_cards (card_barcode, card_cipher_id);
INSERT INTO schema_version (version) VALUES (1);
