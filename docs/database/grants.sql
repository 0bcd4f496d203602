-- The least rights a station needs on tables made with schema.sql by an
-- administrator. Replace tollvane_station with the role the stations log in
-- as. A role that may instead create tables in the schema (GRANT USAGE,
-- CREATE ON SCHEMA public) lets the program make them on first use.
GRANT USAGE ON SCHEMA public TO tollvane_station;
GRANT SELECT ON schema_version TO tollvane_station;
GRANT SELECT, INSERT ON numbers TO tollvane_station;
GRANT SELECT, INSERT ON issued_cards TO tollvane_station;
GRANT SELECT, INSERT, UPDATE, DELETE ON card_holders TO tollvane_station;
