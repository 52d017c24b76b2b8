-- Tables of Corvane.db. The build makes the delivered file from this script and
-- the client makes a missing file from the same text.
--
-- Times are TEXT on purpose: the 14-digit "yyyyMMddHHmmss" stamps order as text,
-- and numeric affinity would turn them into integers that no longer compare with
-- the 14-digit bounds of a search. Rows keep their implicit rowid, which breaks
-- ties between equal times so that paging neither repeats nor skips rows.

CREATE TABLE DeviceInfo (
    deviceName  TEXT,
    deviceIp    TEXT,
    devicePort  INTEGER,
    userName    TEXT,
    password    TEXT
);

CREATE TABLE ChannelInfo (
    deviceIp    TEXT,
    channelNo   INTEGER,
    channelIp   TEXT,
    channelPort INTEGER,
    userName    TEXT,
    password    TEXT
);

CREATE TABLE incidentInfo (
    time         TEXT,
    incidentType INTEGER,
    deviceIp     TEXT,
    channelIp    TEXT,
    channelNo    INTEGER,
    laneNo       INTEGER,
    picPath      TEXT,
    videoPath    TEXT
);

CREATE TABLE ForensicsInfo (
    time          TEXT,
    violationType INTEGER,
    deviceIp      TEXT,
    channelIp     TEXT,
    channelNo     INTEGER,
    laneNo        INTEGER,
    plateNo       TEXT,
    picPath       TEXT
);

CREATE TABLE TrafficParamInfo (
    startTime       TEXT,
    endTime         TEXT,
    channelIp       TEXT,
    channelNo       INTEGER,
    laneNo          INTEGER,
    laneFlow        INTEGER,
    lightVehicleNum INTEGER,
    midVehicleNum   INTEGER,
    heavyVehicleNum INTEGER,
    laneSpeed       INTEGER,
    spaceHeadWay    INTEGER,
    timeHeadWay     INTEGER,
    timeRation      REAL,
    spaceRation     REAL,
    queueLength     INTEGER,
    trafficState    INTEGER,
    deviceIp        TEXT
);

-- The last alarm stored per device and alarm run, written in the transaction of
-- the alarm's rows: an alarm its device sends again is recognised, also after a
-- killed client or a power cut. Opening a file made without it adds it.
CREATE TABLE AlarmLedger (
    device     TEXT PRIMARY KEY,
    runId      INTEGER,
    lastNumber INTEGER
);

-- Incident clips not yet on disk, written in the transaction of their incident
-- row and removed once the clip is fetched or the device can no longer serve
-- it. Opening a file made without it adds it.
CREATE TABLE ClipRequest (
    file       TEXT PRIMARY KEY,
    deviceIp   TEXT,
    devicePort INTEGER,
    channel    INTEGER,
    startTime  TEXT,
    endTime    TEXT
);

CREATE TABLE searchRecordInfo (
    time         TEXT,
    searchRecord TEXT
);

-- Searches always bound the time and page in time order. The device filter is an
-- equality, so (deviceIp, time) serves "one device over a period" in index order.
-- A plate fragment cannot use an index, but with the plate inside the time index
-- the fragment is tested on the index alone, without reading each table row.
-- The device, channel and search-history tables stay small and go without.
-- (incidentType, time) answers "these incident types over a long period" from the
-- index alone: in time order for one type, and without reading the rows of the
-- other types for several. Opening a file adds any of these indexes it lacks.
CREATE INDEX incidentInfo_time ON incidentInfo(time);
CREATE INDEX incidentInfo_device_time ON incidentInfo(deviceIp, time);
CREATE INDEX IF NOT EXISTS incidentInfo_type_time ON incidentInfo(incidentType, time);
CREATE INDEX ForensicsInfo_time_plate ON ForensicsInfo(time, plateNo);
CREATE INDEX ForensicsInfo_device_time ON ForensicsInfo(deviceIp, time);
CREATE INDEX TrafficParamInfo_startTime ON TrafficParamInfo(startTime);
CREATE INDEX TrafficParamInfo_device_startTime ON TrafficParamInfo(deviceIp, startTime);
