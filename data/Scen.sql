-- Scenario database. Every statement can run again on an existing file.
CREATE TABLE IF NOT EXISTS Scenarios (
    Numero INTEGER PRIMARY KEY,
    Nom TEXT,
    Type TEXT,
    Trame INTEGER DEFAULT 0,
    Specif INTEGER DEFAULT 0,
    Chemin TEXT,
    NbrTrame INTEGER DEFAULT 0,
    Boucle INTEGER DEFAULT 0,
    Depart INTEGER DEFAULT 0
);
CREATE TABLE IF NOT EXISTS Actions (
    NumeroScen INTEGER,
    NumAction INTEGER,
    Champs TEXT,
    PlaceTrame INTEGER DEFAULT 0
);
CREATE INDEX IF NOT EXISTS ActionsParScenario ON Actions (NumeroScen, NumAction);
CREATE TABLE IF NOT EXISTS Increment (
    NunInc INTEGER
);
