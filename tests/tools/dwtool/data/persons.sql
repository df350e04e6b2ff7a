-- The rows behind persons.db, the SQLite file the dwtool tests retrieve from:
--   sqlite3 persons.db < persons.sql
PRAGMA journal_mode = WAL;
CREATE TABLE tc_ge_rpr (
    rprno varchar(10) NOT NULL,
    name varchar(20),
    personnum integer,
    birthday date,
    amount numeric(12, 2),
    hostrelation varchar(2),
    issave varchar(1),
    PRIMARY KEY (rprno, name)
);
INSERT INTO tc_ge_rpr VALUES ('R1001', '张三', 3, '1960-05-01', 1200.5, '02', '0');
INSERT INTO tc_ge_rpr VALUES ('R1001', '李秀英', 2, '1962-09-17', 880, '10', '1');
INSERT INTO tc_ge_rpr VALUES ('R1001', 'O''Brien', 1, NULL, -30.25, NULL, '0');
INSERT INTO tc_ge_rpr VALUES ('R1002', '王五', 4, '1990-01-02', 15.25, '02', '1');
INSERT INTO tc_ge_rpr VALUES ('R1003', '赵六', NULL, '2001-07-15', NULL, '10', '0');
